// The fatal reporter and the kill path: both end the run by throwing RunEnded.
#pragma once

#include <cstdint>
#include <string>

namespace zt {

// flag 1 marks an internal error. Ends the run with exit status 1.
[[noreturn]] void bombout(const std::string& routine, const std::string& message, int32_t flag);

// The answer "kill": ends the run with exit status 0, without a pause.
[[noreturn]] void killrun();

bool iskill(const std::string& answer);

}  // namespace zt
