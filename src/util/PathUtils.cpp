#include "util/PathUtils.h"
