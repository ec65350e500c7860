#include "editor/tvMemoProp.h"
