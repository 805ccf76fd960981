#include "ZELMath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

class TestGenerator : public ZELRandomGenerator {
public:
    TestGenerator() : ZELRandomGenerator(3) {}
};

template <class T>
void expectComponent(KOBBaseUnknown& object, const char* name, const char* base) {
    SCOPED_TRACE(name);
    KOBMetaClass* meta = T::MetaObject();
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(T::meta_object.load(), meta);
    EXPECT_EQ(object.GetMetaObject(), meta);
    EXPECT_STREQ(T::ClassName(), name);
    EXPECT_STREQ(object.IsA(), name);
    EXPECT_STREQ(meta->IsA(), name);
    EXPECT_EQ(T::ClassId(), meta->GetClassId());
    EXPECT_EQ(T::CreateItself(), nullptr);
    EXPECT_EQ(meta->GetTypeCode(), 1);
    EXPECT_STREQ(meta->GetNullName(), "KOBNull");
    EXPECT_STREQ(meta->GetFramework(), "ZELMath");
    EXPECT_EQ(meta->GetInstanceSize(), sizeof(T));
    ASSERT_NE(meta->GetBase(), nullptr);
    EXPECT_STREQ(meta->GetBase()->IsA(), base);
    EXPECT_TRUE(object.IsAKindOf(name));
    EXPECT_TRUE(object.IsAKindOf(base));
    EXPECT_TRUE(object.IsAKindOf("KOBBaseUnknown"));
    EXPECT_FALSE(object.IsAKindOf("ZELSimTime"));
    EXPECT_FALSE(object.IsAKindOf(nullptr));
    // The registry keeps one record per name, whatever a later call passes.
    EXPECT_EQ(fct_RetrieveMetaObject(name, 7, nullptr, "x", "y", 1), meta);
}

TEST(Component, MetaInformationOfEveryClass) {
    const double v[] = {1.0, 2.0};
    TestGenerator generator;
    ZELUniformDistribution uniform;
    ZELExponentialDistribution exponential;
    ZELTriangularDistribution triangular(0, 1, 2);
    ZELNormalDistribution normal;
    ZELLogNormalDistribution logNormal;
    ZELGammaDistribution gamma;
    ZELErlangDistribution erlang;
    ZELBetaDistribution beta;
    ZELWeibullDistribution weibull;
    ZELPoissonDistribution poisson(1.0);
    ZELUserDiscDistribution disc(v, v, 2);
    ZELUserContDistribution cont(v, v, 2);
    ZELUsrDist usr(v, 2);
    const char* const rn = "ZELRNDistribution";
    expectComponent<ZELRandomGenerator>(generator, "ZELRandomGenerator", "KOBBaseUnknown");
    expectComponent<ZELUniformDistribution>(uniform, "ZELUniformDistribution", rn);
    expectComponent<ZELExponentialDistribution>(exponential, "ZELExponentialDistribution", rn);
    expectComponent<ZELTriangularDistribution>(triangular, "ZELTriangularDistribution", rn);
    expectComponent<ZELNormalDistribution>(normal, "ZELNormalDistribution", rn);
    expectComponent<ZELLogNormalDistribution>(logNormal, "ZELLogNormalDistribution", rn);
    expectComponent<ZELGammaDistribution>(gamma, "ZELGammaDistribution", rn);
    expectComponent<ZELErlangDistribution>(erlang, "ZELErlangDistribution", rn);
    expectComponent<ZELBetaDistribution>(beta, "ZELBetaDistribution", rn);
    expectComponent<ZELWeibullDistribution>(weibull, "ZELWeibullDistribution", rn);
    expectComponent<ZELPoissonDistribution>(poisson, "ZELPoissonDistribution", rn);
    expectComponent<ZELUserDiscDistribution>(disc, "ZELUserDiscDistribution", rn);
    expectComponent<ZELUserContDistribution>(cont, "ZELUserContDistribution", rn);
    expectComponent<ZELUsrDist>(usr, "ZELUsrDist", rn);

    // The distribution base and the root.
    KOBMetaClass* base = ZELRNDistribution::MetaObject();
    EXPECT_STREQ(ZELRNDistribution::ClassName(), rn);
    EXPECT_STREQ(base->GetBase()->IsA(), "KOBBaseUnknown");
    EXPECT_EQ(base->GetInstanceSize(), sizeof(ZELRNDistribution));
    EXPECT_EQ(ZELRNDistribution::CreateItself(), nullptr);
    EXPECT_TRUE(normal.IsAKindOf(rn));
    EXPECT_FALSE(generator.IsAKindOf(rn));
    EXPECT_FALSE(normal.IsAKindOf("ZELExponentialDistribution"));
    KOBMetaClass* root = KOBBaseUnknown::MetaObject();
    EXPECT_STREQ(KOBBaseUnknown::ClassName(), "KOBBaseUnknown");
    EXPECT_EQ(root->GetBase(), nullptr);
    EXPECT_EQ(KOBBaseUnknown::CreateItself(), nullptr);
}

TEST(Component, ClassIdentifiersAreDistinctAndNameBased) {
    const std::vector<KOBGuid> ids = {
        KOBBaseUnknown::ClassId(), ZELRandomGenerator::ClassId(), ZELRNDistribution::ClassId(),
        ZELUniformDistribution::ClassId(), ZELExponentialDistribution::ClassId(),
        ZELTriangularDistribution::ClassId(), ZELNormalDistribution::ClassId(),
        ZELLogNormalDistribution::ClassId(), ZELGammaDistribution::ClassId(),
        ZELErlangDistribution::ClassId(), ZELBetaDistribution::ClassId(),
        ZELWeibullDistribution::ClassId(), ZELPoissonDistribution::ClassId(),
        ZELUserDiscDistribution::ClassId(), ZELUserContDistribution::ClassId(),
        ZELUsrDist::ClassId()};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(ids[i].Data3 >> 12, 5);
        EXPECT_EQ(ids[i].Data4[0] >> 6, 2);
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(ids[i], ids[j]) << i << " " << j;
    }
    EXPECT_EQ(fct_RetrieveMetaObject(nullptr, 1, nullptr, "KOBNull", "ZELMath", 8), nullptr);
}

TEST(Component, RegistryRaceKeepsOneRecordPerName) {
    std::vector<KOBMetaClass*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&, t] {
            seen[t] = fct_RetrieveMetaObject("RacedClass", 1, KOBBaseUnknown::MetaObject(),
                                             "KOBNull", "ZELMath", 16);
        });
    for (auto& th : threads) th.join();
    for (KOBMetaClass* m : seen) EXPECT_EQ(m, seen[0]);
    EXPECT_TRUE(seen[0]->IsAKindOf("KOBBaseUnknown"));
}

TEST(Component, QueryInterfaceAnswersAlongTheRegistrationBases) {
    ZELNormalDistribution normal;
    KOBBaseUnknown& object = normal;
    void* out = nullptr;
    EXPECT_EQ(object.QueryInterface("ZELRNDistribution", &out), KOB_S_OK);
    EXPECT_EQ(out, &object);
    EXPECT_EQ(object.QueryInterface(KOBBaseUnknown::ClassId(), &out), KOB_S_OK);
    EXPECT_EQ(object.QueryInterface("ZELGammaDistribution", &out), KOB_E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(object.QueryInterface(ZELUsrDist::ClassId(), &out), KOB_E_NOINTERFACE);
    EXPECT_EQ(object.QueryInterface("KOBBaseUnknown", nullptr), KOB_E_POINTER);
}

TEST(Component, HeapComponentsUseTheClassAllocator) {
    // Deleting through the base pointer returns the block with the derived size.
    std::unique_ptr<ZELRNDistribution> d(new ZELUsrDist(nullptr, 0));
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->IsA(), "ZELUsrDist");
    d.reset(new ZELPoissonDistribution(2.0));
    EXPECT_STREQ(d->IsA(), "ZELPoissonDistribution");
    alignas(ZELNormalDistribution) unsigned char buffer[sizeof(ZELNormalDistribution)];
    auto* placed = new (buffer) ZELNormalDistribution(1.0, 2.0);
    EXPECT_STREQ(placed->IsA(), "ZELNormalDistribution");
    placed->~ZELNormalDistribution();
}

}  // namespace
