// Internal to the library: not installed; names may change in any release.
//
// The report sites of the random streams and distributions (see
// foundation/internal/ZELReportSites.h): message, source file and line of each, written once
// here.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELRANDOMREPORTSITES_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELRANDOMREPORTSITES_H

#include "foundation/internal/ZELReportSites.h"

namespace zel_internal {

// ---- stream objects ------------------------------------------------------------------------------
/// An MRG32k3a package seed with a component at or above its modulus or a half all zero
/// (ZELEDomainError; the message names the component).
constexpr ThrowSite kStreamPackageSeed{L"Invalid MRG32k3a package seed",
                                       "ZELRandomMD.m/src/ZELRandomStream", 176};
/// A substream number beyond the engine's substreams (ZELEDomainError).
constexpr ThrowSite kStreamSubstream{L"Substream out of range", "ZELRandomMD.m/src/ZELRandomStream",
                                     197};
/// FromState of a text that is not a stream's state (ZELEDomainError).
constexpr ThrowSite kStreamState{L"Not a random stream state", "ZELRandomMD.m/src/ZELRandomStream",
                                 398};
/// resetSubstream() or nextSubstream() of a classic stream.
constexpr AssertSite kClassicNoSubstreams{"A classic stream has no substreams",
                                          "ZELRandomMD.m/src/ZELRandomStream", 307};
/// setAntithetic(false) of a classic stream.
constexpr AssertSite kClassicAntitheticOff{"A classic stream cannot switch antithetic output off",
                                           "ZELRandomMD.m/src/ZELRandomStream", 341};

// ---- the classic generator ------------------------------------------------------------------------

/// A stream number outside 1..n while strict stream numbers are on.
constexpr AssertSite kInvalidStream{"Invalid stream number", "ZELRandomMD.m/src/ZELRandomGenerator",
                                    165};
/// A stream's draw count passing 2^21 while the overrun check is on (once until its next reset);
/// the detail names the stream and its draw count.
constexpr AssertSite kStreamOverrun{"Stream ran into the next stream",
                                    "ZELRandomMD.m/src/ZELRandomGenerator", 180};

// ---- replications -------------------------------------------------------------------------------

/// A study the runner refuses, or an output count that differs from the first replication's
/// (ZELEDomainError; the detail says which).
constexpr ThrowSite kReplicationRefused{L"ZELRunReplications", "ZELRandomMD.m/src/ZELReplications",
                                        50};
/// A model that threw (ZELERuntimeError; the detail names the replication and the model's message).
constexpr ThrowSite kReplicationFailed{L"ZELRunReplications", "ZELRandomMD.m/src/ZELReplications",
                                       190};
/// A statistic asked of an output or level that does not exist (ZELEDomainError).
constexpr ThrowSite kReplicationStatistic{L"ZELReplicationResults",
                                          "ZELRandomMD.m/src/ZELReplicationResults", 18};

// ---- distributions --------------------------------------------------------------------------------

/// A draw whose parameters let no draw end (it returns NaN instead of looping).
constexpr AssertSite kEndlessDraw{"No draw ends with these parameters",
                                  "ZELRandomMD.m/src/ZELRNDistribution", 60};
/// Acceptance bounds that reject every draw: an empty interval, or MaxRejections draws in a row.
constexpr AssertSite kBoundsRejectEverything{"Bounds reject every draw",
                                             "ZELRandomMD.m/src/ZELRNDistribution", 70};

}  // namespace zel_internal

#endif
