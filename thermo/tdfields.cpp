#include "runtime/records/tdrecord.h"

#include <array>

namespace zt {

namespace {
// Member pointers in field-number order.
constexpr std::array<real tdrecord::*, 32> fieldorder = {
    nullptr,          &tdrecord::H,       &tdrecord::S,        &tdrecord::V,     &tdrecord::cpa,
    &tdrecord::cpb,   &tdrecord::cpc,     &tdrecord::cpd,      &tdrecord::a0,    &tdrecord::k0,
    &tdrecord::k0p,   &tdrecord::k0pp,    &tdrecord::theta,    &tdrecord::dkdt,  &tdrecord::tlandau,
    &tdrecord::smax,  &tdrecord::vmax,    &tdrecord::aqfactor, &tdrecord::aqterm1, &tdrecord::aqterm2,
    &tdrecord::bwdh,  &tdrecord::bwdhv,   &tdrecord::bww,      &tdrecord::bwwv,  &tdrecord::bwn,
    &tdrecord::bwfac, &tdrecord::aqterm3, &tdrecord::xco2,     &tdrecord::xh2o,  &tdrecord::makephase,
    &tdrecord::makeentry, &tdrecord::code};
}  // namespace

real& tdrecord::field(int i) { return this->*fieldorder[static_cast<size_t>(i)]; }
real tdrecord::field(int i) const { return this->*fieldorder[static_cast<size_t>(i)]; }

}  // namespace zt
