#include "lists/ItemRows.h"
