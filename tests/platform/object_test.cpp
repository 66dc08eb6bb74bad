// Ownership and assignment of the object model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/object.hpp"

namespace {

using ozm::TComponent;

// Records its own destruction in a shared log, so that tests can see who died and in which order.
class TLogged : public TComponent {
public:
    TLogged(TComponent* AOwner, std::string Tag, std::vector<std::string>& Log)
        : TComponent(AOwner), FTag(std::move(Tag)), FLog(Log) {}
    ~TLogged() override { FLog.push_back(FTag); }
    const char* ClassName() const override { return "TLogged"; }

private:
    std::string FTag;
    std::vector<std::string>& FLog;
};

// A child whose destructor deletes a sibling it was given.
class TSiblingKiller : public TLogged {
public:
    using TLogged::TLogged;
    ~TSiblingKiller() override { delete FVictim; }
    TComponent* FVictim = nullptr;
};

class TOther : public ozm::TPersistent {
public:
    const char* ClassName() const override { return "TOther"; }
};

TEST(ObjectModel, OwnerDeletesItsChildrenAndChildrenLeaveTheirOwner) {
    std::vector<std::string> log;
    auto* owner = new TLogged(nullptr, "owner", log);
    auto* a = new TLogged(owner, "a", log);
    auto* b = new TLogged(owner, "b", log);
    auto* c = new TLogged(owner, "c", log);
    EXPECT_EQ(a->Owner(), owner);
    EXPECT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->Components(1), b);

    // A child deleted first leaves the list at once; the rest keep their order.
    delete b;
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(0), a);
    EXPECT_EQ(owner->Components(1), c);
    EXPECT_EQ(owner->Components(2), nullptr);
    EXPECT_EQ(owner->Components(-1), nullptr);

    // Grandchildren die with their parent.
    new TLogged(c, "c1", log);
    delete owner;
    // The derived destructor of the owner runs before the base deletes the children.
    EXPECT_EQ(log, (std::vector<std::string>{"b", "owner", "a", "c", "c1"}));
}

TEST(ObjectModel, ChildDeletingASiblingDuringTheOwnersDestructionIsSafe) {
    // Run under AddressSanitizer: a double delete or a use after free fails the suite.
    std::vector<std::string> log;
    {
        TComponent owner;
        auto* killer = new TSiblingKiller(&owner, "killer", log);
        auto* victim = new TLogged(&owner, "victim", log);  // later in the list than the killer
        killer->FVictim = victim;
        auto* last = new TLogged(&owner, "last", log);
        (void)last;
    }
    // The killer's own destructor body runs (deleting the victim) before its base logs it.
    EXPECT_EQ(log, (std::vector<std::string>{"victim", "killer", "last"}));

    // Outside the owner's destruction the sibling leaves the list as usual.
    log.clear();
    TComponent owner;
    auto* killer = new TSiblingKiller(&owner, "killer", log);
    killer->FVictim = new TLogged(&owner, "victim", log);
    new TLogged(&owner, "kept", log);
    delete killer;
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"victim", "killer"}));
}

TEST(ObjectModel, NamesAndUnownedComponents) {
    TComponent stacked;
    EXPECT_EQ(stacked.Owner(), nullptr);
    EXPECT_EQ(stacked.Name(), "");
    stacked.SetName("Vec1");
    EXPECT_EQ(stacked.Name(), "Vec1");
    EXPECT_STREQ(stacked.ClassName(), "TComponent");
}

TEST(ObjectModel, AssignBetweenUnrelatedClassesRaisesTheConversionError) {
    TComponent component;
    TOther other;
    try {
        component.Assign(&other);
        FAIL() << "no exception";
    } catch (const ozm::EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TOther to a TComponent");
    }
    try {
        other.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const ozm::EConvertError& e) {
        EXPECT_EQ(e.message(), "Cannot assign a nil to a TOther");
    }
    try {
        other.AssignTo(&component);
        FAIL() << "no exception";
    } catch (const ozm::EConvertError& e) {
        EXPECT_EQ(e.message(), "Cannot assign a TOther to a TComponent");
    }
    // A null destination is reported, not dereferenced.
    try {
        other.AssignTo(nullptr);
        FAIL() << "no exception";
    } catch (const ozm::EConvertError& e) {
        EXPECT_EQ(e.message(), "Cannot assign a TOther to a nil");
    }
}

TEST(ObjectModel, ExceptionHierarchy) {
    // Callers catch EOZMError for everything of the library except the straight line.
    EXPECT_THROW(throw ozm::EOZMVectorError("x"), ozm::EOZMError);
    EXPECT_THROW(throw ozm::EOZMMathExp("x"), ozm::EOZMError);
    try {
        throw ozm::EOZMSLineError("line");
    } catch (const ozm::EOZMError&) {
        FAIL() << "EOZMSLineError must not derive from EOZMError";
    } catch (const ozm::Exception& e) {
        EXPECT_STREQ(e.what(), "line");
    }
}

}  // namespace
