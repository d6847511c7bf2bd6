// Pictures written as JPEG through libjpeg, for chat pages that show a HEIC
// picture (browsers do not read HEIC).
#pragma once

#include <string>

#include "support/HeifDecode.h"

// Encodes the RGBA pixels (alpha dropped) as a baseline JPEG into *out; false
// with *error set on failure.
bool EncodeJpeg(const HeifPixels& pixels, int quality, std::string* out, std::string* error);
