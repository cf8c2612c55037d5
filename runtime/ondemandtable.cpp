#include "runtime/ondemandtable.h"

#include "runtime/numberformat.h"
#include "runtime/reporter.h"

namespace zt {

void tablefull(const std::string& keyword, int limit, const std::string& what)
{
    tablefull(keyword + ": more than " + wholetostr(limit) + " " + what);
}

void tablefull(const std::string& report) { bombout("reading scripts", report, 0); }

}  // namespace zt
