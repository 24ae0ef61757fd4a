#include "platform/result.h"
