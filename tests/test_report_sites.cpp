// Every report a user can see, triggered once each: the trigger must reach its own site (the
// exception class or the assertion category, the site's message with the detail the trigger
// causes, the site's file and line). The sites are the library's tables, so a report that comes
// from the wrong site, a literal line, a lost detail or the wrong class fails here, and a site
// moved in its table moves with it. The Python warnings print the same (file, line).
#include "AssertRecorder.h"

#include "ZELMath.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"
#include "ZELSimTimeMD.m/src/internal/ZELSimTimeReportSites.h"
#include "kinematics/internal/ZELKinematicsReportSites.h"
#include "protectedinterfaces/internal/ZELLUReportSites.h"
#include "publicinterfaces/internal/ZELGeometryReportSites.h"
#include "simulation/internal/ZELSimulationReportSites.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using namespace zel_internal;

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += static_cast<char>(c);
    return out;
}

/// What a trigger must report: "<class or Software>|<message>|<file>|<line>".
struct Report {
    std::string text;
};

/// A throw of Error from the site, its message followed by ": " and detail when there is one.
template <class Error>
Report thrown(const ThrowSite& site, const std::string& detail = "") {
    const std::string message = narrow(site.message) + (detail.empty() ? "" : ": " + detail);
    return {std::string(typeid(Error).name()) + "|" + message + "|" + site.file + "|" +
            std::to_string(site.line)};
}

/// The assertion hook called with the site, its message followed by ": " and detail when there
/// is one.
Report asserted(const AssertSite& site, const std::string& detail = "") {
    return {std::string("Software|") + site.message + (detail.empty() ? "" : ": " + detail) + "|" +
            site.file + "|" + std::to_string(site.line)};
}

struct Site {
    const char* what;  // the operation that reports
    Report expected;
    std::function<void()> trigger;
};

template <class Error>
std::function<void()> throws(std::function<void()> call) {
    return [call] {
        try {
            call();
        } catch (const Error& e) {
            _scl_do_assert(typeid(Error).name(), narrow(e.message()).c_str(), e.file().c_str(),
                           e.line());
        }
    };
}

class TestGenerator : public ZELRandomGenerator {
public:
    TestGenerator() : ZELRandomGenerator(3) {}
};

const auto badFrame = static_cast<ZELMath3D::ReferenceFrame>(2);
const auto badAxis = static_cast<ZELMath3D::AxisType>(3);
const ZELEuler3D badEuler(0.1, ZELMath3D::XAxis, 0.2, badAxis, 0.3, ZELMath3D::ZAxis);
const ZELVector3D zAxis(0, 0, 1);

std::vector<Site> everySite() {
    ZELRotate3D r;
    ZELQtn3D q;
    ZELXform3D x;
    using Limits = scl_numeric_limits<ZELSimTime>;
    return {
        {"3-vector normalize", thrown<ZELEZeroVector>(kVectorZeroLength),
         throws<ZELEZeroVector>([] { ZELVector3D().normalize(); })},
        {"3-vector axis of setEAA", thrown<ZELEZeroVector>(kVectorZeroLength),
         throws<ZELEZeroVector>([] { ZELRotate3D().setEAA(ZELVector3D(), 1.0); })},
        {"quaternion normalize", thrown<ZELENumericError>(kQtnZeroLength),
         throws<ZELENumericError>([] { ZELQtn3D(0, 0, 0, 0).normalize(); })},
        {"time from (s, ns)", thrown<ZELEDomainError>(kNanosecondDomain),
         throws<ZELEDomainError>([] { ZELSimTime(1, 1000000000); })},
        {"time / 0", thrown<ZELEZeroDivide>(kTimeDivideByZero),
         throws<ZELEZeroDivide>([] { (void)(ZELSimTime(1, 0) / ZELSimTime()); })},
        {"time ratio by 0", thrown<ZELEZeroDivide>(kTimeDivideByZero),
         throws<ZELEZeroDivide>([] { (void)ratio(ZELSimTime(1, 0), ZELSimTime()); })},
        {"time / overflow", thrown<ZELEOverflowError>(kTimeDivisionOverflow),
         throws<ZELEOverflowError>([] { (void)(Limits::max() / ZELSimTime(0, 500000000)); })},

        {"rotation setCAA", asserted(kRotateCAAAxis), [r]() mutable { r.setCAA(badAxis, 1); }},
        {"rotation setEuler", asserted(kRotateEulerAxis), [r]() mutable { r.setEuler(badEuler); }},
        {"rotation rotate(k) frame", asserted(kRotateTurnFrame),
         [r]() mutable { r.rotate(ZELMath3D::XAxis, 1, badFrame); }},
        {"rotation rotate(k) axis", asserted(kRotateTurnAxis),
         [r]() mutable { r.rotate(badAxis, 1, ZELMath3D::WorldFrame); }},
        {"rotation rotate(axis)", asserted(kRotateAxisAngleFrame),
         [r]() mutable { r.rotate(zAxis, 1, badFrame); }},
        {"rotation rotate(R)", asserted(kRotateComposeFrame),
         [r]() mutable { r.rotate(ZELRotate3D(), badFrame); }},

        {"quaternion setCAA", asserted(kQtnCAAAxis), [q]() mutable { q.setCAA(badAxis, 1); }},
        {"quaternion setEuler", asserted(kQtnEulerAxis), [q]() mutable { q.setEuler(badEuler); }},
        {"quaternion rotate(q)", asserted(kQtnComposeFrame),
         [q]() mutable { q.rotate(ZELQtn3D(), badFrame); }},
        {"quaternion rotate(axis)", asserted(kQtnComposeFrame),
         [q]() mutable { q.rotate(zAxis, 1, badFrame); }},
        {"quaternion rotate(k) frame", asserted(kQtnTurnFrame),
         [q]() mutable { q.rotate(ZELMath3D::XAxis, 1, badFrame); }},
        {"quaternion rotate(k) axis", asserted(kQtnTurnAxis),
         [q]() mutable { q.rotate(badAxis, 1, ZELMath3D::LocalFrame); }},

        {"transform translate", asserted(kXformTranslateFrame),
         [x]() mutable { x.translate(zAxis, badFrame); }},
        {"transform rotate(axis)", asserted(kXformAxisAngleFrame),
         [x]() mutable { x.rotate(zAxis, 1, badFrame); }},
        {"transform rotate(k) frame", asserted(kXformTurnFrame),
         [x]() mutable { x.rotate(ZELMath3D::XAxis, 1, badFrame); }},
        {"transform rotate(k) axis", asserted(kXformTurnAxis),
         [x]() mutable { x.rotate(badAxis, 1, ZELMath3D::WorldFrame); }},
        {"transform move", asserted(kXformMoveFrame),
         [x]() mutable { x.move(ZELXform3D(), badFrame); }},
        // The transform's orientation setters are the rotation's own.
        {"transform setCAA", asserted(kRotateCAAAxis), [x]() mutable { x.setCAA(badAxis, 1); }},
        {"transform setEuler", asserted(kRotateEulerAxis), [x]() mutable { x.setEuler(badEuler); }},

        {"LU copy", asserted(kLUCopyNotImplemented),
         [] {
             const ZELLUFactor f;
             const ZELLUFactor g(f);
         }},
        {"time infinity", asserted(kTimeNoInfinity), [] { (void)Limits::infinity(); }},
        {"time quiet_NaN", asserted(kTimeNoQuietNaN), [] { (void)Limits::quiet_NaN(); }},
        {"time signaling_NaN", asserted(kTimeNoSignalingNaN),
         [] { (void)Limits::signaling_NaN(); }},
        {"MRG32k3a package seed",
         thrown<ZELEDomainError>(kStreamPackageSeed, "components 0 to 2 are all zero"),
         throws<ZELEDomainError>([] {
             ZELRandomStream::MRG32k3a(0, 0, {{0, 0, 0, 1, 1, 1}});
         })},
        {"Philox substream",
         thrown<ZELEDomainError>(kStreamSubstream, "Philox substream 4294967296 is not below 2^32"),
         throws<ZELEDomainError>([] { ZELRandomStream::Philox(1, 0, std::uint64_t(1) << 32); })},
        {"stream state text", thrown<ZELEDomainError>(kStreamState, "expected ZELRandomStream"),
         throws<ZELEDomainError>([] { ZELRandomStream::FromState("not a state"); })},
        {"classic substream", asserted(kClassicNoSubstreams),
         [] { ZELRandomStream::Classic(1).nextSubstream(); }},
        {"classic antithetic off", asserted(kClassicAntitheticOff),
         [] { ZELRandomStream::Classic(1).setAntithetic(false); }},
        {"strict stream number", asserted(kInvalidStream),
         [] {
             ZELRandomGenerator::SetStrictStreams(true);
             TestGenerator g;
             (void)g.GetRandomNumber(0);
             ZELRandomGenerator::SetStrictStreams(false);
         }},
        {"stream overrun", asserted(kStreamOverrun, "stream 1 after 2097153 draws"),
         [] {
             ZELRandomGenerator::SetOverrunCheck(true);
             TestGenerator g;
             g.AdvanceStream(1, (std::uint64_t(1) << 21) + 1);
             (void)g.GetRandomNumber(1);
             ZELRandomGenerator::SetOverrunCheck(false);
         }},
        {"empty bounds", asserted(kBoundsRejectEverything),
         [] {
             ZELNormalDistribution d(0.0, 1.0);
             d.SetBounds(10.0, 5.0);
             (void)d.getRandomVariate(1);
         }},
        {"endless gamma", asserted(kEndlessDraw),
         [] { (void)ZELGammaDistribution(std::nan(""), 1.0).getRandomVariate(1); }},
        {"replication output count",
         thrown<ZELEDomainError>(kReplicationRefused,
                                 "replication 1 returned 2 outputs, but the first replication "
                                 "(0) returned 1"),
         throws<ZELEDomainError>([] {
             ZELReplicationOptions o;
             o.threads = 1;
             ZELRunReplications(
                 2, [](const ZELReplication& r) { return std::vector<double>(r.index() + 1, 0.0); },
                 o);
         })},
        {"failing model",
         thrown<ZELERuntimeError>(kReplicationFailed, "replication 0 failed: broken"),
         throws<ZELERuntimeError>([] {
             ZELRunReplications(1, [](const ZELReplication&) -> std::vector<double> {
                 throw std::runtime_error("broken");
             });
         })},
        {"missing output",
         thrown<ZELEDomainError>(kReplicationStatistic,
                                 "output 3 does not exist (the study has 0 outputs)"),
         throws<ZELEDomainError>([] { (void)ZELReplicationResults().mean(3); })},
        {"chain revolute link",
         thrown<ZELEDomainError>(kChainRevoluteLink,
                                 "addRevolute: d, a, alpha and offset must be finite (got 0, inf, "
                                 "0, 0)"),
         throws<ZELEDomainError>([] { ZELKinematicChain().addRevolute(0, INFINITY, 0); })},
        {"chain prismatic link",
         thrown<ZELEDomainError>(kChainPrismaticLink,
                                 "addPrismatic: theta, a, alpha and offset must be finite (got 0, "
                                 "1, 0, -inf)"),
         throws<ZELEDomainError>([] { ZELKinematicChain().addPrismatic(0, 1, 0, -INFINITY); })},
        {"chain joint limits",
         thrown<ZELEDomainError>(kChainJointLimits,
                                 "joint 0: lower limit 1 is not at or below upper limit 0.5"),
         throws<ZELEDomainError>([] { ZELKinematicChain().addRevolute(0, 1, 0, 0, 1.0, 0.5); })},
        {"chain joint index",
         thrown<ZELEDomainError>(kChainJointIndex, "joint index 2 outside 0..0"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             (void)c.lower(2);
         })},
        {"chain joint vector",
         thrown<ZELEDomainError>(kChainJointVector,
                                 "forward: joint vector of length 2 for a chain of 1 joints"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             (void)c.forward(ZELMathVector(2, 0.0));
         })},
        {"chain inverse stream",
         thrown<ZELEDomainError>(kChainInverseStream,
                                 "inverse: the restarts cannot draw from classic stream 3 (its "
                                 "position lives in the process-wide generator, so two calls "
                                 "would draw different restarts); use an MRG32k3a or Philox "
                                 "stream"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             ZELIKOptions o;
             o.stream = ZELRandomStream::Classic(3);
             ZELMathVector q;
             (void)c.inverse(ZELXform3D(), ZELMathVector(1, 0.0), q, o);
         })},
        {"chain inverse reach",
         thrown<ZELEDomainError>(kChainInverseReach,
                                 "inverse: the chain's reach is inf (link lengths too large to "
                                 "measure a position error against)"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(1e308, 1e308, 0);
             ZELMathVector q;
             (void)c.inverse(ZELXform3D(), ZELMathVector(1, 0.0), q);
         })},
        {"chain inverse target",
         thrown<ZELEDomainError>(kChainInverseTarget,
                                 "inverse: the target's rotation is not a rotation (columns off "
                                 "orthonormal by 0.75, more than 1e-06, or a reflection)"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             const double halved[12] = {0.5, 0, 0, 0, 0.5, 0, 0, 0, 0.5, 1, 0, 0};
             ZELXform3D target;
             target.setScalars(halved);
             ZELMathVector q;
             (void)c.inverse(target, ZELMathVector(1, 0.0), q);
         })},
        {"schedule before now",
         thrown<ZELEDomainError>(kSchedulerTimeBeforeNow,
                                 "at: time 0.500000000 s is before now 1.000000000 s"),
         throws<ZELEDomainError>([] { ZELScheduler(ZELSimTime(1, 0)).at(0.5, [] {}); })},
        {"reschedule before now",
         thrown<ZELEDomainError>(kSchedulerTimeBeforeNow,
                                 "reschedule: time 0.000000000 s is before now 1.000000000 s"),
         throws<ZELEDomainError>([] {
             ZELScheduler s(ZELSimTime(1, 0));
             s.reschedule(s.at(2.0, [] {}), 0.0);
         })},
        {"negative delay",
         thrown<ZELEDomainError>(kSchedulerNegativeDelay, "after: negative delay -0.000000001 s"),
         throws<ZELEDomainError>([] { ZELScheduler().after(ZELSimTime(0, -1), [] {}); })},
        {"empty action", thrown<ZELEDomainError>(kSchedulerEmptyAction, "empty action"),
         throws<ZELEDomainError>([] { ZELScheduler().at(1.0, ZELAction()); })},
        {"run until before now",
         thrown<ZELEDomainError>(kSchedulerEndBeforeNow,
                                 "runUntil: end 1.000000000 s is before now 2.000000000 s"),
         throws<ZELEDomainError>([] { ZELScheduler(ZELSimTime(2, 0)).runUntil(1.0); })},
        {"next time of nothing",
         thrown<ZELEDomainError>(kSchedulerNothingPending, "nextTime: no event is pending"),
         throws<ZELEDomainError>([] { (void)ZELScheduler().nextTime(); })},
        {"tally level",
         thrown<ZELEDomainError>(kTallyLevel,
                                 "halfWidth: confidence level 1.5 is not between 0 and 1"),
         throws<ZELEDomainError>([] { (void)ZELTally().halfWidth(1.5); })},
        {"time-weighted backwards",
         thrown<ZELEDomainError>(kTimeWeightedBackwards,
                                 "set: time 1.000000000 s is before the last change at "
                                 "2.000000000 s"),
         throws<ZELEDomainError>([] { ZELTimeWeighted(ZELSimTime(2, 0)).set(1.0, 0); })},
        {"time-weighted value",
         thrown<ZELEDomainError>(kTimeWeightedValue, "set: value inf is not finite"),
         throws<ZELEDomainError>([] { ZELTimeWeighted().set(1.0, HUGE_VAL); })},
        {"resource capacity", thrown<ZELEDomainError>(kResourceCapacity, "capacity 0 is below 1"),
         throws<ZELEDomainError>([] {
             ZELScheduler s;
             ZELResource r(s, 0);
         })},
        {"resource release",
         thrown<ZELEDomainError>(kResourceRelease, "release: no unit is in use"),
         throws<ZELEDomainError>([] {
             ZELScheduler s;
             ZELResource(s, 1).release();
         })},
        {"resource empty action",
         thrown<ZELEDomainError>(kResourceEmptyAction, "request: empty action"),
         throws<ZELEDomainError>([] {
             ZELScheduler s;
             ZELResource(s, 1).request(ZELAction());
         })},
        {"chain inertia",
         thrown<ZELEDomainError>(kChainInertia,
                                 "setInertia(0): mass -1 is not a finite value at or above 0"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             c.setInertia(0, -1.0, ZELVector3D(0, 0, 0), {1, 1, 1, 0, 0, 0});
         })},
        {"chain armature",
         thrown<ZELEDomainError>(kChainArmature,
                                 "setArmature(0): -0.5 is not a finite value at or above 0"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             c.setArmature(0, -0.5);
         })},
        {"chain gravity",
         thrown<ZELEDomainError>(kChainGravity, "setGravity: (0, nan, 0) is not finite"),
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.setGravity(ZELVector3D(0, std::nan(""), 0));
         })},
    };
}

TEST(ReportSites, EveryTriggerReportsItsOwnSite) {
    AssertRecorder recorder;
    for (const Site& site : everySite()) {
        site.trigger();
        const std::vector<AssertReport> reports = recorder.take();
        ASSERT_EQ(reports.size(), 1u) << site.what;
        const AssertReport& got = reports[0];
        EXPECT_EQ(
            got.category + "|" + got.message + "|" + got.file + "|" + std::to_string(got.line),
            site.expected.text)
            << site.what;
    }
}

}  // namespace
