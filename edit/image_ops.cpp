#include "edit/image_ops.h"
