/// \class ZELBasicLUFactor
/// ZELBasicLUFactor<T>: LU factorisation with partial pivoting of a square math matrix.
///
/// Factors A into P*A = L*U: L unit lower triangular, U upper triangular, P the row interchanges.
/// The factors then solve linear systems, invert A and give its determinant, and they estimate
/// the reciprocal of A's 1-norm condition number.
///
/// The results are fixed to the bit. The factorisation follows the left-looking order: column j
/// receives the earlier interchanges, then every product a(i,m)*a(m,j) is subtracted from its
/// element one at a time in increasing m, then the pivot is chosen (the largest magnitude; ties
/// keep the topmost row) and the column below it is divided by it. It works in place in the rows
/// of the LU matrix, a panel of columns at a time, and performs exactly these operations on every
/// element in exactly this order, so it gives the same bits as the plain column loop. Its extra
/// memory is O(n) (a copy of the current panel and packed operands for the register tiles).
/// Sums in the substitutions start from 0.0 and run in increasing index order.
///
/// Failure: by default a pivot of magnitude at most 1e-5 (an absolute threshold, independent of
/// the matrix's scale) stops the factorisation at once; the four-argument `factor` chooses the
/// threshold (see there). fail() becomes true and good() false, the failing column holds its
/// updated, interchanged values (not divided by the pivot), the later columns keep A's values
/// untouched, and the later pivot entries stay 0. Nothing is thrown. A NaN pivot never fails (its
/// magnitude is not at or below any threshold), so a matrix holding a NaN, or infinities whose
/// elimination makes one, factors with good() true; its factors, solutions, inverse and
/// determinant are then NaN. Callers who need to know test the input for finiteness.
///
/// Choices made where the behaviour is otherwise open:
/// - A 0 x 0 matrix factors successfully: good() is true, the LU matrix is 0 x 0, the pivot
///   vector is empty, determinant() is 1.0, solve() returns an empty vector, inverse() a 0 x 0
///   matrix, and both condition estimates are 1.0 (the empty matrix is as well conditioned as
///   the identity).
/// - The solvers need every interchange and every column of the factors. `solve` and `inverse`
///   on an object that holds no successful factorisation (fail() true, or default constructed
///   with a non-empty right-hand side), or with a right-hand side whose length (rows) differs
///   from dimension(), return NaNs: a vector of b's length, or a dimension() x B.cols() matrix.
///   The free functions on a plain matrix behave the same, as they factor on the spot.
/// - condition() and conditionHigham() after a failed factorisation give 0.0, so isSingular()
///   reports 1 once an estimate has been requested. On a default-constructed object (nothing
///   factored, norm 0.0) they give 0.0 as well.
/// - `determinant` does not look at the flags: after a failure it multiplies the diagonal the
///   factorisation left and changes the sign once for every pivot entry k with p_k != k, the
///   entries left at 0 included.
/// - A non-square A is not meant to be factored. n is A's number of rows; extra columns are
///   copied into the LU matrix and ignored; if A has fewer than n columns, the LU matrix is
///   padded with zero columns to n x n, so the factorisation fails (at the latest) at the first
///   padded column and nothing is read outside a row.
///
/// Threads: a factorisation is a plain value; condition() and conditionHigham() write the cache,
/// so a factorisation shared between threads needs outside locking even for them.
#ifndef ZELMATH_PROTECTEDINTERFACES_ZELLUFACTOR_H
#define ZELMATH_PROTECTEDINTERFACES_ZELLUFACTOR_H

/// \addtogroup linalg
/// @{

#include "ZELMathExport.h"
#include "foundation/internal/ZELNearRules.h"
#include "foundation/scl_vector.h"
#include "protectedinterfaces/internal/ZELLUFactorOps.h"
#include "publicinterfaces/ZELMathMatrix.h"
#include "publicinterfaces/ZELMathVector.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <utility>

template <class T>
class ZELMATH_EXPORT ZELBasicLUFactor {
public:
    using value_type = T;
    using Vector = ZELBasicMathVector<T>;
    using Matrix = ZELBasicMathMatrix<T>;

    /// The pivot threshold of the two-argument forms: an absolute 1e-5.
    static constexpr double DefaultPivotTolerance = 1e-5;

    /// Unfactored: both flags false, dimension 0, no estimate (-1.0), norm 0.0.
    ZELBasicLUFactor();
    /// Factors A with the default absolute threshold; with computeCondition the classic
    /// condition estimate is computed at once.
    explicit ZELBasicLUFactor(const Matrix& a, bool computeCondition = false)
        : ZELBasicLUFactor(a, computeCondition, DefaultPivotTolerance, false) {}
    /// Factors A with a chosen singularity test; see the four-argument factor().
    ZELBasicLUFactor(const Matrix& a, bool computeCondition, T pivotTolerance, bool relativeToNorm);
    /// Not supported: reports "This constructor is not yet implemented" through the assertion
    /// hook and builds an unfactored object. Use operator= to copy a factorisation.
    ZELBasicLUFactor(const ZELBasicLUFactor& other);
    /// Takes over the whole state of other (factors, pivots, flags, cached estimates) without
    /// copying or allocating, and leaves other unfactored: flags false, dimension 0, no
    /// estimates, norm 0.0, its matrices 0 x 0 (ready to factor again). noexcept, so standard
    /// containers move factorisations when they grow instead of falling back to the unsupported
    /// copy constructor.
    ZELBasicLUFactor(ZELBasicLUFactor&& other) noexcept;
    /// Copies the whole state: flags, dimension, estimates, norm, identity, factors, pivots.
    ZELBasicLUFactor& operator=(const ZELBasicLUFactor& other);
    /// Takes over other's state as the move constructor does; other is left unfactored.
    ZELBasicLUFactor& operator=(ZELBasicLUFactor&& other) noexcept;
    ~ZELBasicLUFactor();

    /// Refactors this object from A (which may be this object's own LU matrix) with the default
    /// absolute threshold: a pivot of magnitude at most 1e-5 fails.
    void factor(const Matrix& a, bool computeCondition = false) {
        factor(a, computeCondition, DefaultPivotTolerance, false);
    }
    /// Refactors this object from A with a chosen singularity test. With relativeToNorm false a
    /// pivot fails when its magnitude is at most pivotTolerance; with relativeToNorm true, when
    /// it is at most pivotTolerance * ZELL1Norm(A), so the test follows the matrix's scale (a
    /// well-conditioned matrix with entries near 1e-6 factors with (1e-12, true)). The threshold
    /// is never below 0: a negative or NaN tolerance (or product) counts as 0, so an exactly
    /// zero pivot fails whatever the arguments. A NaN pivot never fails.
    void factor(const Matrix& a, bool computeCondition, T pivotTolerance, bool relativeToNorm);

    /// True after a factorisation stopped at a pivot at or below its threshold.
    bool fail() const { return fail_; }
    /// True after a factorisation that completed.
    bool good() const { return good_; }
    /// n, the number of rows of the factored matrix.
    std::size_t dimension() const { return static_cast<std::size_t>(dimension_); }
    /// The factors in place: multipliers of L below the diagonal, U on and above it.
    Matrix& getLU() { return lu_; }
    const Matrix& getLU() const { return lu_; }
    /// Entry k (from 0): the row, counted from 1, exchanged with row k + 1 at step k; 0 for the
    /// steps a failed factorisation did not reach.
    scl_vector<int>& getPivot() { return pivot_; }
    const scl_vector<int>& getPivot() const { return pivot_; }
    /// Row i (from 0) of the LU matrix.
    const Vector& operator[](std::size_t i) const { return lu_[i]; }
    /// A copy of the stored n x n identity.
    Matrix getIdentity() const { return identity_; }

    /// The classic estimate of the reciprocal 1-norm condition number (rcond = 1 / (|A|_1 *
    /// |A^-1|_1)) from the factors in O(n^2), computed on the first call (unless factor computed
    /// it) and cached. It is an upper bound of the true value but may be a loose one: its
    /// transposed-L step applies the interchanges inside the loop while the stored L already
    /// carries all later interchanges, so on random matrices it is typically an order of
    /// magnitude too optimistic, and small matrices exist where it is 10^5 times too high (for
    /// [[-4,-7,2],[2,5,5],[-4,-4,10]] the true value is 0.0116 and condition() gives 0.339). Its
    /// values are kept exactly as they are because existing callers compare against them.
    T condition();
    /// The Hager-Higham estimate of the same quantity (alternating A^-1 and A^-T solves with sign
    /// vectors, at most five iterations, and a final test vector of alternating signs), computed
    /// on the first call and cached. It never overestimates |A^-1|_1 (up to rounding), so its
    /// reciprocal is an upper bound of the true rcond; on random and Hilbert matrices it is
    /// within a factor 3 of it (usually exact), and rare small matrices reach a factor 5.
    T conditionHigham();
    /// 1 when the stored classic estimate is negligible against 1.0 (estimate + 1.0 == 1.0),
    /// otherwise 0. It never computes the estimate: before condition() it returns 0.
    int isSingular() const { return rcond_ + 1.0 == 1.0 ? 1 : 0; }

    /// Exchanges the two scalars.
    static void interchange(T* a, T* b) {
        const T t = *a;
        *a = *b;
        *b = t;
    }

private:
    /// Runs the factorisation of the LU matrix in place with the given pivot threshold.
    void justFactor(T threshold);
    /// Fills rcond_ with the classic estimate.
    void calculateCondition();
    /// Fills rcondHigham_ with the Hager-Higham estimate.
    void calculateConditionHigham();
    /// Copies the flags, the dimension, the norm and both estimates of other.
    void copyScalars(const ZELBasicLUFactor& other) noexcept;
    /// Leaves a moved-from object unfactored, without allocating.
    void clearAfterMove() noexcept;

    bool fail_;
    bool good_;
    std::uint64_t dimension_;
    T rcond_;
    T norm_;
    Matrix identity_;
    Matrix lu_;
    scl_vector<int> pivot_;
    T rcondHigham_;
};

/// x with A*x = b. b must have dimension() elements (otherwise: NaNs, see above).
template <class T>
inline ZELBasicMathVector<T> solve(const ZELBasicLUFactor<T>& f, const ZELBasicMathVector<T>& b) {
    return zel_internal::LUFactorOps<T>::solveVector(f, b);
}
/// X with A*X = B; column j of X gets exactly the bits of solve(f, column j of B). B must have
/// dimension() rows.
template <class T>
inline ZELBasicMathMatrix<T> solve(const ZELBasicLUFactor<T>& f, const ZELBasicMathMatrix<T>& b) {
    return zel_internal::LUFactorOps<T>::solveMatrix(f, b);
}
/// A^-1, i.e. solve(f, identity); NaNs when f holds no successful factorisation.
template <class T>
inline ZELBasicMathMatrix<T> inverse(const ZELBasicLUFactor<T>& f) {
    return zel_internal::LUFactorOps<T>::inverse(f);
}
/// The product of U's diagonal in increasing index from 1.0, negated once per pivot entry k with
/// p_k != k.
template <class T>
inline T determinant(const ZELBasicLUFactor<T>& f) {
    return zel_internal::LUFactorOps<T>::determinant(f);
}

/// solve(f, b) for f factored from A on the spot, without a condition estimate.
template <class T>
inline ZELBasicMathVector<T> solve(const ZELBasicMathMatrix<T>& a, const ZELBasicMathVector<T>& b) {
    return solve(ZELBasicLUFactor<T>(a, false), b);
}
/// solve(f, B) for f factored from A on the spot.
template <class T>
inline ZELBasicMathMatrix<T> solve(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    return solve(ZELBasicLUFactor<T>(a, false), b);
}
/// inverse(f) for f factored from A on the spot.
template <class T>
inline ZELBasicMathMatrix<T> inverse(const ZELBasicMathMatrix<T>& a) {
    return inverse(ZELBasicLUFactor<T>(a, false));
}
/// determinant(f) for f factored from A on the spot.
template <class T>
inline T determinant(const ZELBasicMathMatrix<T>& a) {
    return determinant(ZELBasicLUFactor<T>(a, false));
}

/// Forward substitution with the unit lower triangle of M (its diagonal is not read), in place
/// over b's length; returns b. M must be at least b.length() square (checked mode: a smaller M
/// is reported, "Size mismatch", and b is left unchanged; the same for solveUpper).
template <class T>
inline ZELBasicMathVector<T>& solveLower(const ZELBasicMathMatrix<T>& m, ZELBasicMathVector<T>& b) {
    if (!zel_internal::sizesFit(m.rows() >= b.length() && m.cols() >= b.length())) return b;
    zel_internal::LUFactorOps<T>::forwardSubstitute(m, b);
    return b;
}
/// Back substitution with the upper triangle of M, in place over b's length; returns a copy of
/// b. A zero diagonal element gives infinities or NaNs.
template <class T>
inline ZELBasicMathVector<T> solveUpper(const ZELBasicMathMatrix<T>& m, ZELBasicMathVector<T>& b) {
    if (!zel_internal::sizesFit(m.rows() >= b.length() && m.cols() >= b.length())) return b;
    zel_internal::LUFactorOps<T>::backSubstitute(m, b);
    return b;
}

/// The matrix near-comparison rule applied to the two LU matrices: tol <= 0 is equality,
/// otherwise the largest element of the difference is at most tol.
template <class T>
inline bool ZELNearAbs(const ZELBasicLUFactor<T>& a, const ZELBasicLUFactor<T>& b, const T& tol) {
    const ZELBasicMathMatrix<T>&x = a.getLU(), &y = b.getLU();
    return zel_internal::nearAbs(
        tol, [&] { return x == y; }, [&] { return ZELLinfNorm(x - y); });
}
/// The same, relative to the larger of the two LU matrices' largest elements.
template <class T>
inline bool ZELNearRel(const ZELBasicLUFactor<T>& a, const ZELBasicLUFactor<T>& b, const T& tol) {
    const ZELBasicMathMatrix<T>&x = a.getLU(), &y = b.getLU();
    return zel_internal::nearRel(
        tol, [&] { return x == y; }, [&] { return ZELLinfNorm(x - y); },
        [&] { return ZELLinfNorm(x); }, [&] { return ZELLinfNorm(y); });
}

/// "\n The LU matrix is ", the LU matrix, "The pivot vector is [ ", each entry and " ", "]\n".
template <class T>
inline std::ostream& operator<<(std::ostream& os, const ZELBasicLUFactor<T>& f) {
    return zel_internal::LUFactorOps<T>::print(os, f);
}

using ZELLUFactor = ZELBasicLUFactor<double>;

/// @}

#endif
