#include "app/mainloop.h"
#include "runtime/types.h"

int main()
{
    try {
        return zt::runprogram();
    } catch (const zt::RunEnded& end) {
        return end.code;
    }
}
