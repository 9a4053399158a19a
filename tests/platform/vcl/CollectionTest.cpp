#include "platform/vcl/Collection.h"
#include "platform/vcl/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vcl;

namespace {

class Link : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    void Assign(TPersistent* source) override {
        if (auto* other = dynamic_cast<Link*>(source)) {
            FCaption = other->FCaption;
            Changed(false);
            return;
        }
        TCollectionItem::Assign(source);
    }
    std::string GetDisplayName() override {
        return FCaption.empty() ? TCollectionItem::GetDisplayName() : FCaption;
    }
    void SetDisplayName(const std::string& value) override {
        FCaption = value;
        TCollectionItem::SetDisplayName(value);
    }
    std::string FCaption;
};

// Logs what the collection reports.
class Links : public TCollection {
public:
    explicit Links(TPersistent* owner = nullptr) : TCollection(CollectionItemClassOf<Link>(), owner) {}
    Link* Item(int32_t i) const { return static_cast<Link*>(GetItem(i)); }
    std::vector<std::string> FLog;

protected:
    void Update(TCollectionItem* item) override {
        FLog.push_back(item ? "update " + static_cast<Link*>(item)->FCaption : "update all");
    }
    void Notify(TCollectionItem* item, TCollectionNotification action) override {
        static const char* names[] = {"added", "extracting", "deleting"};
        FLog.push_back(std::string(names[action]) + " " + std::to_string(item->GetID()));
    }
};

std::vector<std::string> Captions(const Links& links) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < links.GetCount(); ++i)
        out.push_back(links.Item(i)->FCaption);
    return out;
}

class OwnerObject : public TPersistent {
public:
    std::string GetNamePath() override { return "frmMain.Bar1"; }
};

} // namespace

TEST(TCollection, AddInsertDeleteAndIds) {
    Links links;
    for (const char* caption : {"a", "b", "c"})
        static_cast<Link*>(links.Add())->FCaption = caption;
    static_cast<Link*>(links.Insert(1))->FCaption = "x";
    EXPECT_EQ(Captions(links), (std::vector<std::string>{"a", "x", "b", "c"}));
    EXPECT_EQ(links.Item(1)->GetID(), 3);
    EXPECT_EQ(links.FindItemID(2), links.Item(3));
    EXPECT_EQ(links.FindItemID(42), nullptr);
    EXPECT_THROW(links.Insert(9), EListError);
    EXPECT_EQ(links.GetCount(), 4); // a bad index creates nothing

    links.FLog.clear();
    links.Delete(1);
    EXPECT_EQ(links.FLog, (std::vector<std::string>{"deleting 3", "extracting 3", "update all"}));
    for (int32_t bad : {-1, 3})
        EXPECT_THROW(links.GetItem(bad), EListError);
    // IDs are never reused.
    EXPECT_EQ(links.Add()->GetID(), 4);

    // Deleting an item directly also takes it out.
    delete links.Item(0);
    EXPECT_EQ(Captions(links), (std::vector<std::string>{"b", "c", ""}));
    // An item created for a collection joins it; moving it to another leaves the first.
    auto* direct = new Link(&links);
    EXPECT_EQ(direct->GetIndex(), 3);
    Links other;
    direct->SetCollection(&other);
    EXPECT_EQ(links.GetCount(), 3);
    EXPECT_EQ(other.GetCount(), 1);
    EXPECT_EQ(direct->GetCollection(), &other);
}

TEST(TCollection, IndexMovesAndUpdatesBatch) {
    Links links;
    for (const char* caption : {"a", "b", "c", "d"})
        static_cast<Link*>(links.Add())->FCaption = caption;
    links.FLog.clear();
    links.Item(0)->SetIndex(2);
    EXPECT_EQ(Captions(links), (std::vector<std::string>{"b", "c", "a", "d"}));
    EXPECT_EQ(links.FLog, (std::vector<std::string>{"update all"}));
    EXPECT_THROW(links.Item(0)->SetIndex(4), EListError);

    links.FLog.clear();
    links.Item(1)->SetDisplayName("C!");
    EXPECT_EQ(links.FLog, (std::vector<std::string>{"update C!"}));
    EXPECT_EQ(links.Item(1)->GetDisplayName(), "C!");

    links.FLog.clear();
    links.BeginUpdate();
    links.BeginUpdate();
    links.Add();
    links.Item(0)->SetDisplayName("B!");
    links.Delete(0);
    links.EndUpdate();
    EXPECT_EQ(links.FLog, (std::vector<std::string>{"added 4", "deleting 1", "extracting 1"}));
    links.EndUpdate();
    EXPECT_EQ(links.FLog.back(), "update all");
    EXPECT_EQ(links.GetUpdateCount(), 0);

    links.FLog.clear();
    links.Clear();
    EXPECT_EQ(links.GetCount(), 0);
    EXPECT_EQ(std::count(links.FLog.begin(), links.FLog.end(), "update all"), 1); // one report for all
}

TEST(TCollection, AssignItemByItemAndNames) {
    OwnerObject owner;
    Links source(&owner), target;
    for (const char* caption : {"one", "two"})
        static_cast<Link*>(source.Add())->FCaption = caption;
    static_cast<Link*>(target.Add())->FCaption = "old";
    target.FLog.clear();
    target.Assign(&source);
    EXPECT_EQ(Captions(target), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(std::count(target.FLog.begin(), target.FLog.end(), "update all"), 1);

    EXPECT_EQ(source.GetOwner(), &owner);
    EXPECT_EQ(source.Item(1)->GetOwner(), &source);
    EXPECT_EQ(source.GetNamePath(), "frmMain.Bar1.Items");
    EXPECT_EQ(source.Item(1)->GetNamePath(), "frmMain.Bar1.Items[1]");
    EXPECT_EQ(target.GetNamePath(), "Links");
    EXPECT_EQ(target.Item(0)->GetDisplayName(), "one");
    target.Item(0)->FCaption.clear();
    EXPECT_EQ(target.Item(0)->GetDisplayName(), "Link");

    // Items that cannot assign themselves raise the assignment error.
    TCollection plain(CollectionItemClassOf<TCollectionItem>());
    plain.Add();
    TCollection copy(CollectionItemClassOf<TCollectionItem>());
    EXPECT_THROW(copy.Assign(&plain), EConvertError);
    EXPECT_EQ(copy.GetUpdateCount(), 0);
    OwnerObject notACollection;
    EXPECT_THROW(target.Assign(&notACollection), EConvertError);
}
