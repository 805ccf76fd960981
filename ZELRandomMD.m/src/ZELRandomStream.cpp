#include "ZELRandomMD.m/src/ZELRandomStream.h"

#include "ZELRandomMD.m/src/internal/ZELStreamStateText.h"

#include <sstream>
#include <string>
#include <utility>

constexpr std::array<std::uint32_t, 6> ZELRandomStream::DefaultPackageSeed;
constexpr unsigned ZELRandomStream::PhiloxBufferBlocks;

ZELRandomStream ZELRandomStream::MRG32k3a(std::uint64_t stream, std::uint64_t substream,
                                          const std::array<std::uint32_t, 6>& packageSeed) {
    return ZELRandomStream(zel_internal::Mrg32k3aEngine(stream, substream, packageSeed));
}

ZELRandomStream ZELRandomStream::Philox(std::uint64_t seed, std::uint64_t stream,
                                        std::uint64_t substream) {
    return ZELRandomStream(zel_internal::PhiloxEngine(seed, stream, substream));
}

ZELRandomStream ZELRandomStream::Classic(int stream) {
    return ZELRandomStream(zel_internal::ClassicEngine(stream));
}

std::array<std::uint32_t, 4> ZELRandomStream::PhiloxBlock(
    const std::array<std::uint32_t, 4>& counter, const std::array<std::uint32_t, 2>& key) noexcept {
    return zel_internal::philoxBlock(counter, key);
}

void ZELRandomStream::next(double* out, std::size_t n) {
    std::visit([&](auto& engine) { engine.next(out, n); }, engine_);
}

void ZELRandomStream::advance(std::uint64_t n) {
    std::visit([&](auto& engine) { engine.advance(n); }, engine_);
}

void ZELRandomStream::resetStream() {
    std::visit([](auto& engine) { engine.resetStream(); }, engine_);
}

void ZELRandomStream::resetSubstream() {
    std::visit([](auto& engine) { engine.resetSubstream(); }, engine_);
}

void ZELRandomStream::nextSubstream() {
    std::visit([](auto& engine) { engine.nextSubstream(); }, engine_);
}

void ZELRandomStream::setAntithetic(bool on) {
    std::visit([&](auto& engine) { engine.setAntithetic(on); }, engine_);
}

bool ZELRandomStream::antithetic() const noexcept {
    return std::visit([](const auto& engine) { return engine.antithetic(); }, engine_);
}

std::uint64_t ZELRandomStream::streamIndex() const noexcept {
    return std::visit([](const auto& engine) { return engine.stream(); }, engine_);
}

std::uint64_t ZELRandomStream::substreamIndex() const noexcept {
    return std::visit([](const auto& engine) { return engine.substream(); }, engine_);
}

// ---- state text ----------------------------------------------------------------------------------
// "ZELRandomStream <engine name> <the engine's words>"; see internal/ZELStreamStateText.h.

std::string ZELRandomStream::state() const {
    std::ostringstream out;
    std::visit(
        [&](const auto& engine) {
            out << "ZELRandomStream " << engine.kName << ' ';
            engine.writeState(out);
        },
        engine_);
    return out.str();
}

namespace {

// "classic, mrg32k3a or philox": the names of the engines, in order.
template <class Engines, std::size_t... I>
std::string engineNames(std::index_sequence<I...>) {
    std::string names;
    ((names += std::string(I == 0                      ? ""
                               : I + 1 == sizeof...(I) ? " or "
                                                       : ", ") +
          std::variant_alternative_t<I, Engines>::kName),
     ...);
    return names;
}

// The engine named `name`, read from the rest of the text.
template <class Engines, std::size_t I = 0>
Engines readEngine(const std::string& name, zel_internal::StreamStateReader& in) {
    if constexpr (I == std::variant_size_v<Engines>) {
        in.fail(engineNames<Engines>(std::make_index_sequence<std::variant_size_v<Engines>>()));
    } else {
        using Engine = std::variant_alternative_t<I, Engines>;
        if (name == Engine::kName) return Engine::readState(in);
        return readEngine<Engines, I + 1>(name, in);
    }
}

}  // namespace

ZELRandomStream ZELRandomStream::FromState(const std::string& text) {
    zel_internal::StreamStateReader in(text);
    in.expect("ZELRandomStream");
    const std::string name = in.word();
    return ZELRandomStream(readEngine<Engines>(name, in));
}
