#include "verify/Progress.h"
