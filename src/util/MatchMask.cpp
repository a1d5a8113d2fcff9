#include "util/MatchMask.h"
