#include "checksum/Md5.h"
