// The diagram type of a reaction calculation and the set-up of its windows, lists,
// fixed conditions and fluid.
#pragma once

namespace zt {

// diagrammode from the script's calctype or a menu (0 outside calculation mode 3).
void getdiagramtype();

// Windows, ranges, the list along the line variable, the fixed value of the variable
// not on the diagram, and the fluid.
void diagramwindowsetup(bool setup);

}  // namespace zt
