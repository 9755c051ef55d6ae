// The names of the files and folders the program reads, writes or starts: each written once.
// Suffixes that are appended to a folder begin with their backslash.
#ifndef MARVOLEN_NAMES_H
#define MARVOLEN_NAMES_H

inline constexpr char PackageName[] = "tsetup.pkg";              // beside the setup program
inline constexpr char ReadMeName[] = "ReadMe.txt";               // beside the setup program
inline constexpr char DirectXSetupName[] = "DirectX\\directx.exe";
inline constexpr char GameFolderSuffix[] = "\\Marvolen";         // below the chosen folder
inline constexpr char GameExecutable[] = "tarn.exe";             // in the game's folder
inline constexpr char GameExecutableSuffix[] = "\\tarn.exe";
inline constexpr char UninstallerSuffix[] = "\\untsetup.exe";    // in the Windows directory
inline constexpr char LibraryName[] = "unrar.dll";
inline constexpr char LibrarySuffix[] = "\\unrar.dll";           // in the system directory, or where
inline constexpr char PrivateLibraryFolder[] = "\\Marvolen Setup";  // one differs, in the user's local application data
inline constexpr char ProgramGroupName[] = "\\Marvolen demo";    // in the Programs folder
// Beside the game's folder while an uninstall removes it; inside it while a run installs over it.
inline constexpr wchar_t AsideSuffix[] = L".~removing";
inline constexpr wchar_t WorkAreaName[] = L"\\~Marvolen Setup.tmp";
inline constexpr char GameLinkName[] = "\\Marvolen - RV.lnk";    // in the group and on the desktop
// The program group's other links; those to the three sites are named by their host names.
inline constexpr char UninstallLinkName[] = "\\Uninstall.lnk";
inline constexpr char ArcadeLinkName[] = "\\www.arcadehall.example.lnk";
inline constexpr char ReadMeLinkName[] = "\\ReadMe.lnk";
inline constexpr char LinkExtension[] = ".lnk";
// What those links open, in the game's folder: files of the package.
inline constexpr char GameSiteFile[] = "\\marvolen.url";
inline constexpr char PublisherSiteFile[] = "\\publisher.url";
inline constexpr char MakerSiteFile[] = "\\quellmark.url";
inline constexpr char ArcadeSiteFile[] = "\\gamespy.url";
inline constexpr char GameReadMeFile[] = "\\ReadMe_demo.txt";

#endif
