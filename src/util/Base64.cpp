#include "util/Base64.h"
