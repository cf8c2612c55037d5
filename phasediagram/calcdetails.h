// The full description of each solved point in the calculation-details ("-ic") file:
// compact (printic) or with titled sections (printicsorrel).
#pragma once

#include <string>

namespace zt {

void printic();
void printicsorrel();

// Bulk row b of the summary as per cent, one column of 12 per summary component: the
// next bulk value for a bulk component, blanks for the others.
void addbulkrow(int b, std::string& line);

}  // namespace zt
