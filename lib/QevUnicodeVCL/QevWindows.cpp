#include "QevSysUtils.h"
