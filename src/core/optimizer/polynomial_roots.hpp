#pragma once
// Roots of a lag polynomial's companion matrix.

#include <complex>
#include <span>
#include <vector>

namespace velkora::optimizer {

// Eigenvalues of the companion matrix with first row c_1 .. c_k (ones on the subdiagonal),
// read from its real Schur form: complex pairs with the positive imaginary part first. No
// roots when the decomposition fails or a coefficient is not finite.
std::vector<std::complex<double>> polynomial_roots(std::span<const double> coefficients);

}  // namespace velkora::optimizer
