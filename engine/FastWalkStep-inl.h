// One exact iteration of the fast walk on a vector of pixels, shared by its
// kernels and by the benchmark of its bare dependency chain. Included once
// per Highway target (the toggle below), after hwy/foreach_target.h.

#if defined(QUILMORA_FASTWALK_STEP_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUILMORA_FASTWALK_STEP_INL_H_
#undef QUILMORA_FASTWALK_STEP_INL_H_
#else
#define QUILMORA_FASTWALK_STEP_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace quilmora {
namespace HWY_NAMESPACE {

// x' = (x*x - y*y) + Cx, y' = (x*y)*2 + Cy, each rounded to float by a demote
// and promote pair; x*x and x*(2y) are exact, so the fused forms round as the
// plain ones. yy carries y*y in and out: the escape sum uses it and so does
// the next iteration. Returns the escape test x*x + y*y >= 4 of the new
// iterate, which decides as (x*x + y*y) - 4 >= 0 does.
template <class D>
HWY_INLINE hwy::HWY_NAMESPACE::Mask<D> IterateExactly(D d, hwy::HWY_NAMESPACE::Vec<D>& x,
                                                      hwy::HWY_NAMESPACE::Vec<D>& y,
                                                      hwy::HWY_NAMESPACE::Vec<D>& yy,
                                                      hwy::HWY_NAMESPACE::Vec<D> cx,
                                                      hwy::HWY_NAMESPACE::Vec<D> cy,
                                                      hwy::HWY_NAMESPACE::Vec<D> four)
{
    namespace hn = hwy::HWY_NAMESPACE;
    const hn::Rebind<float, D> df;
    const auto nx = hn::Add(hn::MulSub(x, x, yy), cx);
    const auto ny = hn::MulAdd(x, hn::Add(y, y), cy);
    x = hn::PromoteTo(d, hn::DemoteTo(df, nx));
    y = hn::PromoteTo(d, hn::DemoteTo(df, ny));
    yy = hn::Mul(y, y);
    return hn::Ge(hn::MulAdd(x, x, yy), four);
}

// NOLINTNEXTLINE(google-readability-namespace-comments)
}  // namespace HWY_NAMESPACE
}  // namespace quilmora
HWY_AFTER_NAMESPACE();

#endif  // QUILMORA_FASTWALK_STEP_INL_H_
