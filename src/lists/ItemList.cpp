#include "lists/ItemList.h"
