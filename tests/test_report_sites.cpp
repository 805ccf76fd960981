// Every report a user can see, triggered once each: the exception class or the assertion
// category, the message, the source file and the line. The Python warnings print the same
// (file, line), so a change here is a change users see; the expected values are written out
// here, independent of the library's site tables.
#include "AssertRecorder.h"

#include "ZELMath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Site {
    const char* what;  // the operation that reports
    const char* kind;  // exception class, or "Software" for the assertion hook
    const char* message;
    const char* file;
    int line;
    std::function<void()> trigger;
};

template <class Error>
std::function<void()> throws(std::function<void()> call) {
    return [call] {
        try {
            call();
        } catch (const Error& e) {
            std::string narrow;
            for (wchar_t c : e.message()) narrow += static_cast<char>(c);
            _scl_do_assert(typeid(Error).name(), narrow.c_str(), e.file().c_str(), e.line());
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

const char* const kRot = "publicinterfaces/ZELRotate3D";
const char* const kQtn = "publicinterfaces/ZELQtn3D";
const char* const kXf = "publicinterfaces/ZELXform3D";
const char* const kTime = "ZELSimTimeMD.m/src/ZELSimTime";
const char* const kLimits = "ZELSimTimeMD.m/src/ZELSimTimeLimits";
const char* const kStream = "ZELRandomMD.m/src/ZELRandomStream";

std::vector<Site> everySite() {
    ZELRotate3D r;
    ZELQtn3D q;
    ZELXform3D x;
    using Limits = scl_numeric_limits<ZELSimTime>;
    return {
        {"3-vector normalize", typeid(ZELEZeroVector).name(), "The vector has zero length",
         "publicinterfaces/ZELVector3D", 378,
         throws<ZELEZeroVector>([] { ZELVector3D().normalize(); })},
        {"quaternion normalize", typeid(ZELENumericError).name(), "Zero length quaternion", kQtn,
         207, throws<ZELENumericError>([] { ZELQtn3D(0, 0, 0, 0).normalize(); })},
        {"time from (s, ns)", typeid(ZELEDomainError).name(), "Nanosecond domain violation", kTime,
         114, throws<ZELEDomainError>([] { ZELSimTime(1, 1000000000); })},
        {"time / 0", typeid(ZELEZeroDivide).name(), "ZELSimTime divide by zero", kTime, 160,
         throws<ZELEZeroDivide>([] { (void)(ZELSimTime(1, 0) / ZELSimTime()); })},
        {"time ratio by 0", typeid(ZELEZeroDivide).name(), "ZELSimTime divide by zero", kTime, 160,
         throws<ZELEZeroDivide>([] { (void)ratio(ZELSimTime(1, 0), ZELSimTime()); })},
        {"time / overflow", typeid(ZELEOverflowError).name(), "ZELSimTime division overflow",
         "ZELSimTimeMD.m/src/ZELSimTimeP", 100,
         throws<ZELEOverflowError>([] { (void)(Limits::max() / ZELSimTime(0, 500000000)); })},

        {"rotation setCAA", "Software", "Invalid rotation axis", kRot, 449,
         [r]() mutable { r.setCAA(badAxis, 1); }},
        {"rotation setEuler", "Software", "Invalid rotation axis", kRot, 471,
         [r]() mutable { r.setEuler(badEuler); }},
        {"rotation rotate(k) frame", "Software", "Invalid reference frame", kRot, 802,
         [r]() mutable { r.rotate(ZELMath3D::XAxis, 1, badFrame); }},
        {"rotation rotate(k) axis", "Software", "Invalid rotation axis", kRot, 803,
         [r]() mutable { r.rotate(badAxis, 1, ZELMath3D::WorldFrame); }},
        {"rotation rotate(axis)", "Software", "Invalid reference frame", kRot, 828,
         [r]() mutable { r.rotate(zAxis, 1, badFrame); }},
        {"rotation rotate(R)", "Software", "Invalid reference frame", kRot, 851,
         [r]() mutable { r.rotate(ZELRotate3D(), badFrame); }},

        {"quaternion setCAA", "Software", "Invalid rotation axis", kQtn, 267,
         [q]() mutable { q.setCAA(badAxis, 1); }},
        {"quaternion setEuler", "Software", "Invalid rotation axis", kQtn, 299,
         [q]() mutable { q.setEuler(badEuler); }},
        {"quaternion rotate(q)", "Software", "Invalid reference frame.", kQtn, 334,
         [q]() mutable { q.rotate(ZELQtn3D(), badFrame); }},
        {"quaternion rotate(axis)", "Software", "Invalid reference frame.", kQtn, 334,
         [q]() mutable { q.rotate(zAxis, 1, badFrame); }},
        {"quaternion rotate(k) frame", "Software", "Invalid reference frame.", kQtn, 345,
         [q]() mutable { q.rotate(ZELMath3D::XAxis, 1, badFrame); }},
        {"quaternion rotate(k) axis", "Software", "Invalid rotation axis", kQtn, 345,
         [q]() mutable { q.rotate(badAxis, 1, ZELMath3D::LocalFrame); }},

        {"transform translate", "Software", "Invalid reference frame", kXf, 295,
         [x]() mutable { x.translate(zAxis, badFrame); }},
        {"transform rotate(axis)", "Software", "Invalid reference frame", kXf, 314,
         [x]() mutable { x.rotate(zAxis, 1, badFrame); }},
        {"transform rotate(k) frame", "Software", "Invalid reference frame", kXf, 324,
         [x]() mutable { x.rotate(ZELMath3D::XAxis, 1, badFrame); }},
        {"transform rotate(k) axis", "Software", "Invalid rotation axis", kXf, 324,
         [x]() mutable { x.rotate(badAxis, 1, ZELMath3D::WorldFrame); }},
        {"transform move", "Software", "Invalid reference frame", kXf, 345,
         [x]() mutable { x.move(ZELXform3D(), badFrame); }},
        // The transform's orientation setters are the rotation's own.
        {"transform setCAA", "Software", "Invalid rotation axis", kRot, 449,
         [x]() mutable { x.setCAA(badAxis, 1); }},
        {"transform setEuler", "Software", "Invalid rotation axis", kRot, 471,
         [x]() mutable { x.setEuler(badEuler); }},

        {"LU copy", "Software", "This constructor is not yet implemented",
         "protectedinterfaces/ZELLUFactor", 86,
         [] {
             const ZELLUFactor f;
             const ZELLUFactor g(f);
         }},
        {"time infinity", "Software", "No infinity value", kLimits, 125,
         [] { (void)Limits::infinity(); }},
        {"time quiet_NaN", "Software", "No quiet_NaN value", kLimits, 134,
         [] { (void)Limits::quiet_NaN(); }},
        {"time signaling_NaN", "Software", "No signaling_NaN value", kLimits, 143,
         [] { (void)Limits::signaling_NaN(); }},
        {"MRG32k3a package seed", typeid(ZELEDomainError).name(),
         "Invalid MRG32k3a package seed: components 0 to 2 are all zero", kStream, 176,
         throws<ZELEDomainError>([] {
             ZELRandomStream::MRG32k3a(0, 0, {{0, 0, 0, 1, 1, 1}});
         })},
        {"Philox substream", typeid(ZELEDomainError).name(),
         "Substream out of range: Philox substream 4294967296 is not below 2^32", kStream, 197,
         throws<ZELEDomainError>([] { ZELRandomStream::Philox(1, 0, std::uint64_t(1) << 32); })},
        {"stream state text", typeid(ZELEDomainError).name(),
         "Not a random stream state: expected ZELRandomStream", kStream, 398,
         throws<ZELEDomainError>([] { ZELRandomStream::FromState("not a state"); })},
        {"classic substream", "Software", "A classic stream has no substreams", kStream, 307,
         [] { ZELRandomStream::Classic(1).nextSubstream(); }},
        {"classic antithetic off", "Software",
         "A classic stream cannot switch antithetic output off", kStream, 341,
         [] { ZELRandomStream::Classic(1).setAntithetic(false); }},
        {"strict stream number", "Software", "Invalid stream number",
         "ZELRandomMD.m/src/ZELRandomGenerator", 165,
         [] {
             ZELRandomGenerator::SetStrictStreams(true);
             TestGenerator g;
             (void)g.GetRandomNumber(0);
             ZELRandomGenerator::SetStrictStreams(false);
         }},
        {"stream overrun", "Software", "Stream ran into the next stream",
         "ZELRandomMD.m/src/ZELRandomGenerator", 180,
         [] {
             ZELRandomGenerator::SetOverrunCheck(true);
             TestGenerator g;
             g.AdvanceStream(1, (std::uint64_t(1) << 21) + 1);
             (void)g.GetRandomNumber(1);
             ZELRandomGenerator::SetOverrunCheck(false);
         }},
        {"empty bounds", "Software", "Bounds reject every draw",
         "ZELRandomMD.m/src/ZELRNDistribution", 70,
         [] {
             ZELNormalDistribution d(0.0, 1.0);
             d.SetBounds(10.0, 5.0);
             (void)d.getRandomVariate(1);
         }},
        {"endless gamma", "Software", "No draw ends with these parameters",
         "ZELRandomMD.m/src/ZELRNDistribution", 60,
         [] { (void)ZELGammaDistribution(std::nan(""), 1.0).getRandomVariate(1); }},
        {"replication output count", typeid(ZELEDomainError).name(),
         "ZELRunReplications: replication 1 returned 2 outputs, but the first replication (0) "
         "returned 1",
         "ZELRandomMD.m/src/ZELReplications", 50, throws<ZELEDomainError>([] {
             ZELReplicationOptions o;
             o.threads = 1;
             ZELRunReplications(
                 2, [](const ZELReplication& r) { return std::vector<double>(r.index() + 1, 0.0); },
                 o);
         })},
        {"failing model", typeid(ZELERuntimeError).name(),
         "ZELRunReplications: replication 0 failed: broken", "ZELRandomMD.m/src/ZELReplications",
         190, throws<ZELERuntimeError>([] {
             ZELRunReplications(1, [](const ZELReplication&) -> std::vector<double> {
                 throw std::runtime_error("broken");
             });
         })},
        {"missing output", typeid(ZELEDomainError).name(),
         "ZELReplicationResults: output 3 does not exist (the study has 0 outputs)",
         "ZELRandomMD.m/src/ZELReplicationResults", 18,
         throws<ZELEDomainError>([] { (void)ZELReplicationResults().mean(3); })},
        {"chain joint index", typeid(ZELEDomainError).name(),
         "ZELKinematicChain: joint index 2 outside 0..0", "kinematics/ZELKinematicChain", 141,
         throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             (void)c.lower(2);
         })},
        {"chain joint vector", typeid(ZELEDomainError).name(),
         "ZELKinematicChain: forward: joint vector of length 2 for a chain of 1 joints",
         "kinematics/ZELKinematicChain", 151, throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             (void)c.forward(ZELMathVector(2, 0.0));
         })},
        {"chain inertia", typeid(ZELEDomainError).name(),
         "ZELKinematicChain: setInertia(0): mass -1 is not a finite value at or above 0",
         "kinematics/ZELKinematicChainDynamics", 160, throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             c.setInertia(0, -1.0, ZELVector3D(0, 0, 0), {1, 1, 1, 0, 0, 0});
         })},
        {"chain armature", typeid(ZELEDomainError).name(),
         "ZELKinematicChain: setArmature(0): -0.5 is not a finite value at or above 0",
         "kinematics/ZELKinematicChainDynamics", 230, throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.addRevolute(0, 1, 0);
             c.setArmature(0, -0.5);
         })},
        {"chain gravity", typeid(ZELEDomainError).name(),
         "ZELKinematicChain: setGravity: (0, nan, 0) is not finite",
         "kinematics/ZELKinematicChainDynamics", 241, throws<ZELEDomainError>([] {
             ZELKinematicChain c;
             c.setGravity(ZELVector3D(0, std::nan(""), 0));
         })},
    };
}

TEST(ReportSites, EveryReportNamesItsClassMessageFileAndLine) {
    AssertRecorder recorder;
    for (const Site& site : everySite()) {
        site.trigger();
        const std::vector<AssertReport> reports = recorder.take();
        ASSERT_EQ(reports.size(), 1u) << site.what;
        const AssertReport& got = reports[0];
        EXPECT_EQ(
            got.category + "|" + got.message + "|" + got.file + "|" + std::to_string(got.line),
            std::string(site.kind) + "|" + site.message + "|" + site.file + "|" +
                std::to_string(site.line))
            << site.what;
    }
}

}  // namespace
