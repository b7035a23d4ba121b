#include "catalogue/location.h"
