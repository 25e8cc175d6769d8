// A kernel header that reaches up into the scene model.
#pragma once
#include "model/InkNode.h"
