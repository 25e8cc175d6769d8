// The scene model resting on the kernel and the shared helpers, as it should.
#include "common/file_util.h"
#include "geometry/gm_types.h"
#include "model/InkNode.h"
