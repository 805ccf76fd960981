// Class meta-information, the registry and the class allocator of every component class.
#include "PoolFailure.h"
#include "ZELMath.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

class TestGenerator : public ZELRandomGenerator {
public:
    TestGenerator() : ZELRandomGenerator(3) {}
};

// The registration arguments: own name, type code 1, the base's record, "KOBNull", "ZELMath", size.
template <class T, class Object>
void expectComponent(Object&& object, const char* name, const char* base = "ZELRNDistribution") {
    SCOPED_TRACE(name);
    KOBMetaClass* meta = T::MetaObject();
    ASSERT_NE(meta, nullptr);
    EXPECT_TRUE(T::meta_object.load() == meta && object.GetMetaObject() == meta &&
                T::ClassId() == meta->GetClassId());
    EXPECT_STREQ(T::ClassName(), name);
    EXPECT_STREQ(object.IsA(), name);
    EXPECT_EQ(T::CreateItself(), nullptr);
    EXPECT_EQ(meta->GetTypeCode(), 1);
    EXPECT_STREQ(meta->GetNullName(), "KOBNull");
    EXPECT_STREQ(meta->GetFramework(), "ZELMath");
    EXPECT_EQ(meta->GetInstanceSize(), sizeof(T));
    EXPECT_STREQ(meta->GetBase()->IsA(), base);
    for (const char* kind : {name, base, "KOBBaseUnknown"})
        EXPECT_TRUE(object.IsAKindOf(kind)) << kind;
    EXPECT_FALSE(object.IsAKindOf("ZELSimTime") || object.IsAKindOf(nullptr));
    EXPECT_EQ(fct_RetrieveMetaObject(name, 7, nullptr, "x", "y", 1), meta);  // one record per name
}

TEST(Component, EveryClassRegistersWithItsNameSizeAndBase) {
    const double v[] = {1.0, 2.0};
    expectComponent<ZELRandomGenerator>(TestGenerator(), "ZELRandomGenerator", "KOBBaseUnknown");
    expectComponent<ZELUniformDistribution>(ZELUniformDistribution(), "ZELUniformDistribution");
    expectComponent<ZELExponentialDistribution>(ZELExponentialDistribution(),
                                                "ZELExponentialDistribution");
    expectComponent<ZELTriangularDistribution>(ZELTriangularDistribution(0, 1, 2),
                                               "ZELTriangularDistribution");
    expectComponent<ZELNormalDistribution>(ZELNormalDistribution(), "ZELNormalDistribution");
    expectComponent<ZELLogNormalDistribution>(ZELLogNormalDistribution(),
                                              "ZELLogNormalDistribution");
    expectComponent<ZELGammaDistribution>(ZELGammaDistribution(), "ZELGammaDistribution");
    expectComponent<ZELErlangDistribution>(ZELErlangDistribution(), "ZELErlangDistribution");
    expectComponent<ZELBetaDistribution>(ZELBetaDistribution(), "ZELBetaDistribution");
    expectComponent<ZELWeibullDistribution>(ZELWeibullDistribution(), "ZELWeibullDistribution");
    expectComponent<ZELPoissonDistribution>(ZELPoissonDistribution(1.0), "ZELPoissonDistribution");
    expectComponent<ZELUserDiscDistribution>(ZELUserDiscDistribution(v, v, 2),
                                             "ZELUserDiscDistribution");
    expectComponent<ZELUserContDistribution>(ZELUserContDistribution(v, v, 2),
                                             "ZELUserContDistribution");
    expectComponent<ZELUsrDist>(*std::make_unique<ZELUsrDist>(v, 2), "ZELUsrDist");
    EXPECT_STREQ(ZELRNDistribution::MetaObject()->GetBase()->IsA(), "KOBBaseUnknown");
    EXPECT_FALSE(TestGenerator().IsAKindOf("ZELRNDistribution"));
    EXPECT_EQ(KOBBaseUnknown::MetaObject()->GetBase(), nullptr);
    // Class identifiers are distinct name-based (version 5, RFC 4122 variant) identifiers.
    const KOBGuid ids[] = {KOBBaseUnknown::ClassId(), ZELRandomGenerator::ClassId(),
                           ZELRNDistribution::ClassId(), ZELNormalDistribution::ClassId(),
                           ZELGammaDistribution::ClassId()};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(ids[i].Data3 >> 12 == 5 && ids[i].Data4[0] >> 6 == 2 &&
                    (i == 0 || ids[i] != ids[i - 1]))
            << i;
}

TEST(Component, QueryInterfaceAnswersAlongTheRegistrationBasesOnly) {
    ZELNormalDistribution normal;
    void* out = nullptr;
    EXPECT_TRUE(normal.QueryInterface("ZELRNDistribution", &out) == KOB_S_OK && out == &normal);
    EXPECT_EQ(normal.QueryInterface(KOBBaseUnknown::ClassId(), &out), KOB_S_OK);
    EXPECT_TRUE(normal.QueryInterface("ZELGammaDistribution", &out) == KOB_E_NOINTERFACE &&
                out == nullptr);
    EXPECT_EQ(normal.QueryInterface(ZELUsrDist::ClassId(), &out), KOB_E_NOINTERFACE);
    EXPECT_EQ(normal.QueryInterface("KOBBaseUnknown", nullptr), KOB_E_POINTER);
}

TEST(Component, RacingRegistrationsKeepOneRecordPerName) {
    std::vector<KOBMetaClass*> seen(8);
    std::vector<std::thread> threads;
    for (KOBMetaClass*& m : seen)
        threads.emplace_back([&m] {
            m = fct_RetrieveMetaObject("Raced", 1, KOBBaseUnknown::MetaObject(), "KOBNull",
                                       "ZELMath", 16);
        });
    for (auto& th : threads) th.join();
    for (KOBMetaClass* m : seen) EXPECT_EQ(m, seen[0]);
    EXPECT_TRUE(seen[0]->IsAKindOf("KOBBaseUnknown"));
}

TEST(Component, HeapComponentsComeFromThePoolAndExhaustionThrowsBadAlloc) {
    std::unique_ptr<ZELRNDistribution> d(
        new ZELUsrDist(nullptr, 0));  // freed with the derived size
    EXPECT_STREQ(d->IsA(), "ZELUsrDist");
    {
        PoolFailure fail(1);
        EXPECT_THROW(d.reset(new ZELPoissonDistribution(2.0)), std::bad_alloc);
    }
    EXPECT_STREQ(d->IsA(), "ZELUsrDist");  // untouched by the failed new-expression
    {
        PoolFailure fail(1);  // a block too large for the pool's size classes
        EXPECT_THROW(static_cast<void>(new ZELUsrDist(nullptr, 0)), std::bad_alloc);
    }
}

}  // namespace
