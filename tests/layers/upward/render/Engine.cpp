// The engine reaching sideways into the image output.
#include "output/JpegWriter.h"
