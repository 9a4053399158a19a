#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

using namespace vcl;

namespace {

struct Tracked : TObject {
    explicit Tracked(int* deaths) : Deaths(deaths) {}
    ~Tracked() override { ++*Deaths; }
    int* Deaths;
};

} // namespace

TEST(TList, BadIndexRaisesListError) {
    TList list;
    int a = 1, b = 2;
    list.Add(&a);
    list.Add(&b);
    EXPECT_EQ(list.Get(1), &b);
    for (int32_t bad : {-1, 2, 100}) {
        EXPECT_THROW(list.Get(bad), EListError) << bad;
        EXPECT_THROW(list.Delete(bad), EListError) << bad;
    }
    try {
        list.Get(5);
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
    EXPECT_THROW(list.Insert(3, &a), EListError);
    list.Insert(2, &a);
    EXPECT_EQ(list.Count(), 3);
}

TEST(TList, MoveExchangeRemovePack) {
    TList list;
    int v[4] = {0, 1, 2, 3};
    for (int& x : v)
        list.Add(&x);
    list.Move(0, 3);
    EXPECT_EQ(list[3], &v[0]);
    EXPECT_EQ(list[0], &v[1]);
    list.Exchange(0, 1);
    EXPECT_EQ(list[0], &v[2]);
    EXPECT_EQ(list.Remove(&v[2]), 0);
    EXPECT_EQ(list.Remove(&v[2]), -1);
    list.Add(nullptr);
    list.Pack();
    EXPECT_EQ(list.Count(), 3);
}

TEST(TObjectList, OwnsItsObjectsUnlessTold) {
    int deaths = 0;
    {
        TObjectList owning;
        owning.Add(new Tracked(&deaths));
        owning.Add(new Tracked(&deaths));
        owning.Delete(0);
        EXPECT_EQ(deaths, 1);
        Tracked keep(&deaths);
        TObjectList borrowed(false);
        borrowed.Add(&keep);
    }
    EXPECT_EQ(deaths, 3); // the owned one when the list went, the borrowed one by its own scope
}

TEST(TThreadList, LockIsRecursive) {
    TThreadList list;
    int x = 0;
    TList* outer = list.LockList();
    list.Add(&x); // locks again on the same thread
    EXPECT_EQ(outer->Count(), 1);
    list.UnlockList();
}
