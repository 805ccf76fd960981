#include "ZELRandomMD.m/src/ZELUserTable.h"

#include <algorithm>
#include <cstddef>

ZELUserTable::ZELUserTable(const double* values, const double* probabilities, int count)
    : _count(count < 0 ? 0 : count) {
    const std::size_t n = static_cast<std::size_t>(_count);
    _values.reset(new double[n + 1]);
    _cumProbs.reset(new double[n + 1]);
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        sum = sum + probabilities[i];
        _cumProbs[i] = sum;
        _values[i] = values[i];
    }
    _values[n] = 0.0;
    for (std::size_t i = 0; i < n; ++i) _cumProbs[i] = _cumProbs[i] / sum;
    _cumProbs[n] = 0.0;
}

ZELUserTable::ZELUserTable(int count)
    : _values(new double[static_cast<std::size_t>(count < 0 ? 0 : count) + 1]),
      _cumProbs(new double[static_cast<std::size_t>(count < 0 ? 0 : count) + 1]),
      _count(count < 0 ? 0 : count) {}

ZELUserTable ZELUserTable::FromCumulative(const double* values, const double* cumProbs, int count) {
    ZELUserTable table(count);
    const std::size_t n = static_cast<std::size_t>(table._count);
    std::copy(values, values + n, table._values.get());
    std::copy(cumProbs, cumProbs + n, table._cumProbs.get());
    table._values[n] = 0.0;
    table._cumProbs[n] = 0.0;
    return table;
}

ZELUserTable::ZELUserTable(const ZELUserTable& other)
    : _values(new double[static_cast<std::size_t>(other._count) + 1]),
      _cumProbs(new double[static_cast<std::size_t>(other._count) + 1]),
      _count(other._count) {
    const std::size_t n = static_cast<std::size_t>(_count) + 1;
    std::copy(other._values.get(), other._values.get() + n, _values.get());
    std::copy(other._cumProbs.get(), other._cumProbs.get() + n, _cumProbs.get());
}

ZELUserTable& ZELUserTable::operator=(const ZELUserTable& other) {
    if (this != &other) *this = ZELUserTable(other);
    return *this;
}

ZELUserTable::~ZELUserTable() = default;
