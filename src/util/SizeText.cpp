#include "util/SizeText.h"
