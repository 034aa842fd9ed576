#include "bus/ComponentsTarn.h"
#include "bus/ObjMasterTarn.h"
#include "testkit/BusRecorder.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

struct TDelivery {
    std::string Who;
    int32_t Msg, Param;
    void *Data;
    bool operator==(const TDelivery &) const = default;
};

using TDeliveries = std::vector<TDelivery>;
using TLog = TBusRecorder::TLog;

// Every delivery, the bus's end included, into a log shared by several recorders.
struct TRecorder : TBusRecorder {
    TRecorder(std::string name, TLog &log) : TBusRecorder(std::move(name), log) { KeepsBusEnd = true; }
};

TDeliveries Deliveries(const TLog &log) {
    TDeliveries out;
    for (const auto &e : log)
        out.push_back({e.Who, e.Msg, e.Param, e.Data});
    return out;
}

std::vector<std::string> Receivers(const TLog &log, int32_t msg) {
    std::vector<std::string> out;
    for (const auto &d : log)
        if (d.Msg == msg)
            out.push_back(d.Who);
    return out;
}

TEST(ObjMasterTarn, DeliversEveryMessageToEverySubscriberInRegistrationOrder) {
    TObjMasterTarn bus;
    bus.Broadcast(bmZoomChanged, 0, nullptr); // nobody there: nothing happens
    TLog log;
    TRecorder a("a", log), b("b", log), c("c", log);
    c.SetObjMaster(&bus);
    a.SetObjMaster(&bus);
    b.SetObjMaster(&bus);
    int32_t width = 0;
    bus.Broadcast(bmQueryQuickViewWidth, 5, &width);
    bus.Broadcast(bmCrossToggled, 0, nullptr); // handled by nobody, still delivered
    EXPECT_EQ(Deliveries(log), (TDeliveries{{"c", 16, 5, &width},
                                            {"a", 16, 5, &width},
                                            {"b", 16, 5, &width},
                                            {"c", 5, 0, nullptr},
                                            {"a", 5, 0, nullptr},
                                            {"b", 5, 0, nullptr}}));
}

TEST(ObjMasterTarn, NestedBroadcastReachesEveryoneBeforeTheOuterGoesOn) {
    TObjMasterTarn bus;
    TLog log;
    TRecorder a("a", log), b("b", log), c("c", log);
    for (auto *r : {&a, &b, &c})
        r->SetObjMaster(&bus);
    b.OnMessage = [&](int32_t msg, int32_t, void *) {
        if (msg == bmZoomChanged) {
            bus.Broadcast(bmScreenDataReady, 3, nullptr);
            bus.Broadcast(bmQuickViewDataReady, 3, nullptr);
        }
    };
    bus.Broadcast(bmZoomChanged, 0, nullptr);
    EXPECT_EQ(Deliveries(log), (TDeliveries{{"a", 11, 0, nullptr},
                                            {"b", 11, 0, nullptr},
                                            {"a", 9, 3, nullptr},
                                            {"b", 9, 3, nullptr},
                                            {"c", 9, 3, nullptr},
                                            {"a", 17, 3, nullptr},
                                            {"b", 17, 3, nullptr},
                                            {"c", 17, 3, nullptr},
                                            {"c", 11, 0, nullptr}}));
}

TEST(ObjMasterTarn, DestroyedSubscriberLeavesExactlyItsOwnEntry) {
    TObjMasterTarn bus;
    TLog log;
    auto first = std::make_unique<TRecorder>("first", log);
    TRecorder second("second", log);
    first->SetObjMaster(&bus);
    second.SetObjMaster(&bus);
    first.reset();
    ASSERT_EQ(bus.Handlers().size(), 1u);
    bus.Broadcast(bmGridToggled, 0, nullptr);
    EXPECT_EQ(Receivers(log, bmGridToggled), std::vector<std::string>{"second"});
}

TEST(ObjMasterTarn, BusDestroyedFirstClearsEverySubscribersReference) {
    TLog log;
    TRecorder a("a", log), b("b", log);
    {
        TObjMasterTarn bus;
        a.SetObjMaster(&bus);
        b.SetObjMaster(&bus);
    }
    EXPECT_EQ(Deliveries(log), (TDeliveries{{"a", 0, 0, nullptr}, {"b", 0, 0, nullptr}}));
    EXPECT_EQ(a.ObjMaster(), nullptr);
    EXPECT_EQ(b.ObjMaster(), nullptr);
    // Their destructors touch no bus; a new bus can be given afterwards.
    TObjMasterTarn other;
    a.SetObjMaster(&other);
    EXPECT_EQ(other.Handlers().size(), 1u);
}

TEST(ObjMasterTarn, MovingToAnotherBusLeavesTheFirstAndTheSameBusTwiceSubscribesOnce) {
    TObjMasterTarn one, two;
    TLog log;
    auto r = std::make_unique<TRecorder>("r", log);
    r->SetObjMaster(&one);
    r->SetObjMaster(&one);
    EXPECT_EQ(one.Handlers().size(), 1u);
    r->SetObjMaster(&two);
    EXPECT_TRUE(one.Handlers().empty());
    r.reset();
    one.Broadcast(bmGridToggled, 0, nullptr); // would call the freed component with a stale entry
    EXPECT_TRUE(two.Handlers().empty());
    EXPECT_TRUE(log.empty());
}

TEST(ObjMasterTarn, HandlerRemovingSubscribersDuringABroadcastNeverCallsAGoneOne) {
    TObjMasterTarn bus;
    TLog log;
    auto a = std::make_unique<TRecorder>("a", log);
    auto b = std::make_unique<TRecorder>("b", log);
    auto c = std::make_unique<TRecorder>("c", log);
    for (auto *r : {a.get(), b.get(), c.get()})
        r->SetObjMaster(&bus);
    a->OnMessage = [&](int32_t, int32_t, void *) {
        c.reset();
        a.reset(); // removes itself as well: the list is now shorter than the count taken
    };
    bus.Broadcast(bmClearScreen, 0, nullptr);
    EXPECT_EQ(Receivers(log, bmClearScreen), std::vector<std::string>{"a"});
    ASSERT_EQ(bus.Handlers().size(), 1u);
    bus.Broadcast(bmGridToggled, 0, nullptr);
    EXPECT_EQ(Receivers(log, bmGridToggled), std::vector<std::string>{"b"});
}

TEST(ObjMasterTarn, RawEntriesRegisterTwiceAndUnregisterOnlyWhatMatches) {
    // Declared before the bus: it broadcasts to what is still registered when it is destroyed.
    std::vector<int> calls;
    int x = 1, y = 2;
    TObjMasterTarn bus;
    auto code = [](void *o, int32_t, int32_t, void *) { static_cast<std::vector<int> *>(o)->push_back(0); };
    auto other = [](void *, int32_t, int32_t, void *) {};
    TObjMasterHandler h{code, &calls};
    bus.RegisterHandler(h);
    bus.RegisterHandler({other, &x});
    bus.RegisterHandler(h);
    bus.UnregisterHandler({other, &y}); // same code, other object
    bus.UnregisterHandler({code, &x});  // same object, other code
    EXPECT_EQ(bus.Handlers().size(), 3u);
    bus.Broadcast(bmGridToggled, 0, nullptr);
    EXPECT_EQ(calls.size(), 2u);
    bus.UnregisterHandler(h);
    ASSERT_EQ(bus.Handlers().size(), 2u);
    EXPECT_EQ(bus.Handlers()[0], (TObjMasterHandler{other, &x}));
    EXPECT_EQ(bus.Handlers()[1], h);
}

TEST(ObjMasterTarn, SettingsAppliedIsTenStagesInOrder) {
    TObjMasterTarn bus;
    TLog log;
    TRecorder r("r", log);
    r.SetObjMaster(&bus);
    BroadcastSettingsApplied(bus);
    ASSERT_EQ(log.size(), 10u);
    for (int32_t i = 0; i < 10; ++i)
        EXPECT_EQ(Deliveries(log)[i], (TDelivery{"r", bmSettingsApplied, i, nullptr}));
}

} // namespace

} // namespace scope
