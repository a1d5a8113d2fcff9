#include "checksum/Crc32.h"
