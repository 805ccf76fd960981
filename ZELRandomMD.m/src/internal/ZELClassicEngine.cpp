#include "ZELRandomMD.m/src/internal/ZELClassicEngine.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"
#include "ZELRandomMD.m/src/internal/ZELStreamStateText.h"

#include <ostream>
#include <string>

namespace zel_internal {

ClassicEngine::ClassicEngine(int stream) : classic_(stream) {
    const ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    const int n =
        generator != nullptr ? generator->GetNumberOfStreams() : ZELRandomGenerator::SeedTableSize;
    stream_ = stream >= 1 && stream <= n ? static_cast<std::uint64_t>(stream) : 1u;
}

double ClassicEngine::next() const {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    return generator != nullptr ? generator->GetRandomNumber(classic_) : 0.0;
}

void ClassicEngine::next(double* out, std::size_t n) const {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator != nullptr)
        generator->GetRandomNumbers(classic_, out, n);
    else
        for (std::size_t i = 0; i < n; ++i) out[i] = 0.0;
}

void ClassicEngine::advance(std::uint64_t n) const {
    if (ZELRandomGenerator* generator = ZELRandomGenerator::Instance())
        generator->AdvanceStream(classic_, n);
}

void ClassicEngine::resetStream() const {
    if (ZELRandomGenerator* generator = ZELRandomGenerator::Instance())
        generator->ResetStream(classic_);
}

void ClassicEngine::resetSubstream() const { report(kClassicNoSubstreams); }

void ClassicEngine::nextSubstream() const { report(kClassicNoSubstreams); }

void ClassicEngine::setAntithetic(bool on) {
    if (!on) {
        report(kClassicAntitheticOff);
        return;
    }
    if (ZELRandomGenerator* generator = ZELRandomGenerator::Instance())
        generator->SetAntithetic(classic_);
    antithetic_ = true;
}

// stream k
void ClassicEngine::writeState(std::ostream& out) const { out << "stream " << classic_; }

ClassicEngine ClassicEngine::readState(StreamStateReader& in) {
    in.expect("stream");
    const int stream = in.signedInt("a stream number");
    in.end();
    // Restoring would rewind every other user of the shared stream (or, in another process,
    // repeat numbers this one draws too): refused, with the way to get the stream back.
    raise<ZELEDomainError>(kStreamState,
                           "classic stream " + std::to_string(stream) +
                               " draws from the process-wide generator, whose position a "
                               "state text does not restore; make the classic stream anew");
}

}  // namespace zel_internal
