#include "web/WebInit.h"

#include "web/clMimeTypes.h"

namespace web {

void initialise() { InitMimeTypes(); }

void finalise() { FreeMimeTypes(); }

}  // namespace web
