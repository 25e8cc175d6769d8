// The OpenGL headers as the engine uses them: the fixed-function 1.1 API, GLU,
// and the framebuffer-object entry points that bitmap contexts need. Mesa's
// dispatch library exports the latter directly, so no loader is involved.
#pragma once

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
