// The thermodynamic data of the working end-members, tried before any calculation uses
// them: a value the reader accepts can still make G impossible to evaluate (K' = 0 is
// one), and such a G would otherwise pass silently through every calculation.
#pragma once

namespace zt {

// Ends the run, naming the end-member and the quantity, when the G, V or S of a working
// end-member (made ones included) is not a finite number at 1 bar and 25 degrees C, or,
// with withwindow, at a corner of the overall P-T window (the callers ask for it only when
// the script gave the window).
void checkthermodata(bool withwindow);

}  // namespace zt
