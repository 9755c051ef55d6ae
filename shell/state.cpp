#include "shell/state.h"

SetupState Setup;
