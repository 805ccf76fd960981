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
/// keep the topmost row) and the column below it is divided by it. The implementation runs a
/// blocked kernel on a contiguous copy of the matrix, which performs exactly these operations
/// on every element in exactly this order, so it gives the same bits as the plain column loop.
/// Sums in the substitutions start from 0.0 and run in increasing index order.
///
/// Failure: a pivot of magnitude at most 1e-5 (an absolute threshold, independent of the
/// matrix's scale) stops the factorisation at once: fail() becomes true and good() false, the
/// failing column holds its updated, interchanged values (not divided by the pivot), the later
/// columns keep A's values untouched, and the later pivot entries stay 0. Nothing is thrown.
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
/// - The copy constructor is not supported (it reports "This constructor is not yet
///   implemented" through the assertion hook and leaves a default-constructed object). Use
///   operator= to copy a factorisation. The move constructor works: it takes over the whole
///   state (copying the matrices, which have no move operations) and leaves the source
///   unfactored. It is not noexcept, so standard containers still copy-construct.
///
/// Condition estimates. condition() gives the classic column-by-column estimate of
/// rcond = 1 / (|A|_1 * |A^-1|_1) from the factors in O(n^2). It is an upper bound of the true
/// reciprocal condition but may be a loose one: its transposed-L step applies the interchanges
/// inside the loop while the stored L already carries all later interchanges, so on random
/// matrices it is typically an order of magnitude too optimistic, and small matrices exist where
/// it is 10^5 times too high (for [[-4,-7,2],[2,5,5],[-4,-4,10]] the true value is 0.0116 and
/// condition() gives 0.339). Its values are kept exactly as they are because existing callers
/// compare against them. For a trustworthy figure use conditionHigham(): the Hager-Higham 1-norm
/// estimator (alternating A^-1 and A^-T solves with sign vectors, at most five iterations, and
/// a final test vector of alternating signs), also O(n^2) per solve and computed from the same
/// factors. It never overestimates |A^-1|_1 (up to rounding), so the reciprocal it gives is an
/// upper bound of the true rcond; on random and Hilbert matrices it is within a factor 3 of it
/// (usually exact), and rare small matrices reach a factor 5. Both are computed at most once per
/// factorisation and cached; factor() and operator= reset or copy them.
///
/// Threads: a factorisation is a plain value; condition() and conditionHigham() write the cache,
/// so a factorisation shared between threads needs outside locking even for them.
#ifndef ZELMATH_PROTECTEDINTERFACES_ZELLUFACTOR_H
#define ZELMATH_PROTECTEDINTERFACES_ZELLUFACTOR_H

/// \addtogroup linalg
/// @{

#include "ZELMathExport.h"
#include "foundation/scl_vector.h"
#include "publicinterfaces/ZELMathMatrix.h"
#include "publicinterfaces/ZELMathVector.h"

#include <cstddef>
#include <cstdint>
#include <ostream>

template <class T>
class ZELMATH_EXPORT ZELBasicLUFactor {
public:
    using value_type = T;
    using Vector = ZELBasicMathVector<T>;
    using Matrix = ZELBasicMathMatrix<T>;

    /// Unfactored: both flags false, dimension 0, no estimate (-1.0), norm 0.0.
    ZELBasicLUFactor();
    /// Factors A; with computeCondition the condition estimate is computed at once.
    explicit ZELBasicLUFactor(const Matrix& a, bool computeCondition = false);
    /// Not supported: reports through the assertion hook and builds an unfactored object.
    ZELBasicLUFactor(const ZELBasicLUFactor& other);
    /// Takes over the whole state of other, which is left unfactored.
    ZELBasicLUFactor(ZELBasicLUFactor&& other);
    ZELBasicLUFactor& operator=(const ZELBasicLUFactor& other);
    ~ZELBasicLUFactor();

    /// Refactors this object from A (which may be this object's own LU matrix).
    void factor(const Matrix& a, bool computeCondition = false);

    /// True after a factorisation stopped at a pivot of magnitude 1e-5 or less.
    bool fail() const { return fail_; }
    /// True after a factorisation that completed.
    bool good() const { return good_; }
    std::size_t dimension() const { return static_cast<std::size_t>(dimension_); }
    Matrix& getLU() { return lu_; }
    const Matrix& getLU() const { return lu_; }
    /// Entry k (from 0): the row, counted from 1, exchanged with row k + 1 at step k; 0 for the
    /// steps a failed factorisation did not reach.
    scl_vector<int>& getPivot() { return pivot_; }
    const scl_vector<int>& getPivot() const { return pivot_; }
    /// Row i (from 0) of the LU matrix.
    const Vector& operator[](std::size_t i) const { return lu_[i]; }
    Matrix getIdentity() const;

    /// The classic estimate of the reciprocal 1-norm condition number, computed on the first
    /// call (unless factor computed it) and cached. See the notes at the top of this file.
    T condition();
    /// The Hager-Higham estimate of the same quantity, computed on the first call and cached.
    T conditionHigham();
    /// 1 when the stored classic estimate is negligible against 1.0 (estimate + 1.0 == 1.0),
    /// otherwise 0. It never computes the estimate: before condition() it returns 0.
    int isSingular() const;

    static void interchange(T* a, T* b) {
        const T t = *a;
        *a = *b;
        *b = t;
    }

private:
    void justFactor();
    void calculateCondition();
    void calculateConditionHigham();
    Vector solveEandW();
    Vector& solveUpperSpecial(Vector& w);
    Vector& solveLowerSpecial(Vector& y, T& ynorm);
    Vector& solveUpperWithScaling(Vector& v, T& ynorm);
    static T sign(T x) { return x >= T(0) ? T(1) : T(-1); }

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

/// x with A*x = b. b must have dimension() elements.
template <class T>
ZELBasicMathVector<T> solve(const ZELBasicLUFactor<T>& f, const ZELBasicMathVector<T>& b);
/// X with A*X = B, column by column. B must have dimension() rows.
template <class T>
ZELBasicMathMatrix<T> solve(const ZELBasicLUFactor<T>& f, const ZELBasicMathMatrix<T>& b);
/// A^-1; NaNs when f holds no successful factorisation.
template <class T>
ZELBasicMathMatrix<T> inverse(const ZELBasicLUFactor<T>& f);
/// The product of U's diagonal, negated once per pivot entry k with p_k != k.
template <class T>
T determinant(const ZELBasicLUFactor<T>& f);

/// The same on a plain matrix, factored on the spot without a condition estimate.
template <class T>
ZELBasicMathVector<T> solve(const ZELBasicMathMatrix<T>& a, const ZELBasicMathVector<T>& b);
template <class T>
ZELBasicMathMatrix<T> solve(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b);
template <class T>
ZELBasicMathMatrix<T> inverse(const ZELBasicMathMatrix<T>& a);
template <class T>
T determinant(const ZELBasicMathMatrix<T>& a);

/// Forward substitution with the unit lower triangle of M (its diagonal is not read), in place
/// over b's length; returns b. M must be at least b.length() square.
template <class T>
ZELBasicMathVector<T>& solveLower(const ZELBasicMathMatrix<T>& m, ZELBasicMathVector<T>& b);
/// Back substitution with the upper triangle of M, in place over b's length; returns a copy of
/// b. A zero diagonal element gives infinities or NaNs.
template <class T>
ZELBasicMathVector<T> solveUpper(const ZELBasicMathMatrix<T>& m, ZELBasicMathVector<T>& b);

/// The matrix near-comparisons applied to the two LU matrices.
template <class T>
bool ZELNearAbs(const ZELBasicLUFactor<T>& a, const ZELBasicLUFactor<T>& b, const T& tol);
template <class T>
bool ZELNearRel(const ZELBasicLUFactor<T>& a, const ZELBasicLUFactor<T>& b, const T& tol);

/// "\n The LU matrix is ", the LU matrix, "The pivot vector is [ ", each entry and " ", "]\n".
template <class T>
std::ostream& operator<<(std::ostream& os, const ZELBasicLUFactor<T>& f);

/// \cond
extern template class ZELBasicLUFactor<double>;
extern template ZELMATH_EXPORT ZELBasicMathVector<double> solve<double>(const ZELBasicLUFactor<double>&,
                                                                        const ZELBasicMathVector<double>&);
extern template ZELMATH_EXPORT ZELBasicMathMatrix<double> solve<double>(const ZELBasicLUFactor<double>&,
                                                                        const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT ZELBasicMathMatrix<double> inverse<double>(const ZELBasicLUFactor<double>&);
extern template ZELMATH_EXPORT double determinant<double>(const ZELBasicLUFactor<double>&);
extern template ZELMATH_EXPORT ZELBasicMathVector<double> solve<double>(const ZELBasicMathMatrix<double>&,
                                                                        const ZELBasicMathVector<double>&);
extern template ZELMATH_EXPORT ZELBasicMathMatrix<double> solve<double>(const ZELBasicMathMatrix<double>&,
                                                                        const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT ZELBasicMathMatrix<double> inverse<double>(const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT double determinant<double>(const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT ZELBasicMathVector<double>& solveLower<double>(const ZELBasicMathMatrix<double>&,
                                                                              ZELBasicMathVector<double>&);
extern template ZELMATH_EXPORT ZELBasicMathVector<double> solveUpper<double>(const ZELBasicMathMatrix<double>&,
                                                                             ZELBasicMathVector<double>&);
extern template ZELMATH_EXPORT bool ZELNearAbs<double>(const ZELBasicLUFactor<double>&,
                                                       const ZELBasicLUFactor<double>&, const double&);
extern template ZELMATH_EXPORT bool ZELNearRel<double>(const ZELBasicLUFactor<double>&,
                                                       const ZELBasicLUFactor<double>&, const double&);
extern template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, const ZELBasicLUFactor<double>&);
/// \endcond

using ZELLUFactor = ZELBasicLUFactor<double>;

/// @}

#endif
