#include "jpeg/jpeg_image.h"
