// Resource ids shared by the program and setup.rc. Plain #defines, because windres reads this too.
#ifndef MARVOLEN_RESOURCE_IDS_H
#define MARVOLEN_RESOURCE_IDS_H

// Texts
#define IDS_WINDOW_TITLE        103
#define IDS_WINDOW_CLASS        109
#define IDS_INSTALL             110
#define IDS_UNINSTALL           111
#define IDS_REINSTALL           112
#define IDS_EXIT                113
#define IDS_WWW                 114
#define IDS_PLAY                115
#define IDS_INITIALIZING        116
#define IDS_OK                  118
#define IDS_CANCEL              119
#define IDS_BROWSE              1001
#define IDS_BACK                1003
#define IDS_CONTINUE            1004
#define IDS_DESKTOP_ICON        1005
#define IDS_AVAILABLE_SPACE     1006
#define IDS_INSTALL_FOLDER      1007
#define IDS_REGISTRATION        1008
#define IDS_PLAY_NOW            1009
#define IDS_VIEW_README         1010
#define IDS_SETUP_MENU          1011
#define IDS_INSTALLED_HEADING   1012
#define IDS_INSTALLED_BODY      1015
#define IDS_ASK_ABORT           1016
#define IDS_BROWSE_TITLE        1019
#define IDS_NO_SPACE            1020
#define IDS_CREATING_ICONS      1021
#define IDS_UPDATING_REGISTRY   1022
#define IDS_ASK_UNINSTALL       1023
#define IDS_REMOVING_FILES      1024
#define IDS_REMOVING_REGISTRY   1025
#define IDS_REMOVING_ICONS      1026
#define IDS_UNINSTALLED         1027
#define IDS_PREPARING           1029
#define IDS_FAILED_HEADING      1031
#define IDS_YES                 1032
#define IDS_NO                  1033
#define IDS_ABORTED_HEADING     1034
#define IDS_RETRY_BODY          1035
#define IDS_DIRECTX             1038
#define IDS_SPACE_REQUIRED      1039
#define IDS_GAME_SITE           1042
#define IDS_MAKER_SITE          1043
#define IDS_PUBLISHER_SITE      1044
#define IDS_REGISTRATION_PAGE   1045
#define IDS_VERSION             1046
#define IDS_LANGUAGE            1047
#define IDS_BAD_FOLDER          1048
#define IDS_IN_USE              1049
#define IDS_OTHERS_FILES        1050
#define IDS_UNREACHABLE         1051
#define IDS_NOT_RESTORED        1052
#define IDS_NOT_REMOVED         1053
#define IDS_ASK_OLDER_OVER_NEWER 1054
// The usage's lines and the exit codes' words in it.
#define IDS_USAGE_SILENT        1055
#define IDS_USAGE_PASSIVE       1056
#define IDS_USAGE_DIR           1057
#define IDS_USAGE_DESKTOPICON   1058
#define IDS_USAGE_ALLOWDOWNGRADE 1059
#define IDS_USAGE_LOG           1060
#define IDS_USAGE_LANG          1061
#define IDS_EXIT_CODES          1062
#define IDS_EXIT_DONE           1063
#define IDS_EXIT_FAILED         1064
#define IDS_EXIT_NO_SPACE       1065
#define IDS_EXIT_BAD_SWITCH     1066
#define IDS_EXIT_NOTHING        1067
#define IDS_EXIT_RUNNING        1068
#define IDS_EXIT_IN_USE         1069
#define IDS_EXIT_CANCELLED      1070
#define IDS_EXIT_NEWER          1071
// The unit of the free space figure.
#define IDS_MEGABYTES           1072

// Screen backgrounds: a screen is named by its background's id.
#define IDB_MAIN_MENU           130
#define IDB_DESTINATION         141
#define IDB_FINISH              143
#define IDB_PROGRESS            145
#define IDB_STATUS_MASK         206
#define IDB_STATUS_PANEL        207
#define IDB_TICK                208
#define IDB_PROMPT_MASK         209
#define IDB_PROMPT_PANEL        211
#define IDB_MAP_FIRST           700
#define IDB_STRIP_FIRST         800
#define PROGRESS_FRAMES         17
// Every picture above also drawn at twice the layout's size, for a 200 % screen: its id plus this.
#define IDB_DOUBLE              1000

// Sounds and the library copy share the resource type "WAVE".
#define IDW_HOVER               199
#define IDW_CLICK               200
#define IDW_UNRAR_LIBRARY       204

// The typeface of every label, carried so that the texts look the same on every machine.
#define IDF_LABEL_FONT          205

#define IDI_SETUP               107
#define IDC_SETUP               138

// The close command that the window procedure accepts.
#define IDM_CLOSE               105

#endif
