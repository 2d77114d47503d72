#pragma once
// Resizing a picture for a screen of another resolution, without windows.
#include "framework/Image.h"

// The picture at the new size, each pixel the average of the source area it covers (weighted by
// how much of each source pixel falls in it). At a whole factor every source pixel becomes a
// block of identical pixels; otherwise only the pixels on a source pixel's edge are mixed.
// Premultiplied colours average correctly with their transparency.
TPremultipliedImage ScalePicture(const TPremultipliedImage& source, int width, int height);
