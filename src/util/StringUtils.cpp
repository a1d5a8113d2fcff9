#include "util/StringUtils.h"
