#include "lists/ListReader.h"
