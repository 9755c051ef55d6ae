#include "base/state.h"

SetupState Setup;
