#include "platform/com/dispatch.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/com/error.h"
#include "platform/com/ref.h"
#include "tests/platform/com/test_support.h"

using namespace platform::com;
using comtest::caught;
using comtest::errorNumberOf;

namespace {

// ---------------------------------------------------------------------------------------------
// Run-time errors

TEST(RuntimeErrors, CarryNumberTextAndResultCode) {
  const RuntimeError overflow(err::Overflow);
  EXPECT_EQ(overflow.number(), 6);
  EXPECT_EQ(overflow.description(), "Overflow");
  EXPECT_STREQ(overflow.what(), "Overflow");
  EXPECT_EQ(overflow.resultCode(), static_cast<int32_t>(0x800A0006u));

  const RuntimeError custom(err::InvalidPropertyValue, "bad width");
  EXPECT_EQ(custom.description(), "bad width");
  EXPECT_EQ(custom.resultCode(), hr::fromErrorNumber(380));

  const RuntimeError e = caught([] { platform::com::raise(err::CancelSelected); });
  EXPECT_EQ(e.number(), 32755);
  EXPECT_EQ(e.description(), "Cancel was selected.");
  EXPECT_EQ(e.resultCode(), static_cast<int32_t>(0x800A7FF3u));
}

TEST(RuntimeErrors, StandardTexts) {
  const std::map<int32_t, std::string> texts = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {9, "Subscript out of range"},
      {13, "Type mismatch"},
      {52, "Bad file name or number"},
      {53, "File not found"},
      {75, "Path/File access error"},
      {76, "Path not found"},
      {91, "Object variable or With block variable not set"},
      {94, "Invalid use of Null"},
      {380, "Invalid property value"},
      {438, "Object doesn't support this property or method"},
      {450, "Wrong number of arguments or invalid property assignment"},
      {32755, "Cancel was selected."},
  };
  for (const auto& [number, text] : texts) EXPECT_EQ(errorText(number), text) << number;
  EXPECT_EQ(errorText(12345), "Application-defined or object-defined error");
  EXPECT_EQ(resourceNotFoundText(4711), "Resource with identifier '4711' not found");
}

TEST(RuntimeErrors, RaiseResultMapsCodes) {
  // A run-time error code travels back to its number and text.
  RuntimeError e = caught([] { raiseResult(static_cast<int32_t>(0x800A01B6u)); });
  EXPECT_EQ(e.number(), err::NoSuchMember);
  EXPECT_EQ(e.description(), errorText(438));
  EXPECT_EQ(e.resultCode(), static_cast<int32_t>(0x800A01B6u));

  // Any other failure keeps the code itself as the number, as a failed object call does.
  e = caught([] { raiseResult(hr::Fail); });
  EXPECT_EQ(e.number(), hr::Fail);
  EXPECT_EQ(e.resultCode(), hr::Fail);
  EXPECT_NE(e.description().find("&H80004005"), std::string::npos) << e.description();

  e = caught([] { raiseResult(static_cast<int32_t>(0x804A0001u)); });
  EXPECT_EQ(e.number(), static_cast<int32_t>(0x804A0001u));
  EXPECT_EQ(e.description(), "Call failed (&H804A0001)");

  e = caught([] { raiseResult(hr::ClassNotRegistered, "no such view"); });
  EXPECT_EQ(e.description(), "no such view");
  EXPECT_EQ(e.number(), hr::ClassNotRegistered);

  EXPECT_NO_THROW(checkResult(hr::Ok));
  EXPECT_NO_THROW(checkResult(1));  // a success code with information
  EXPECT_EQ(caught([] { checkResult(hr::NoInterface); }).resultCode(), hr::NoInterface);
}

// ---------------------------------------------------------------------------------------------
// Reference counting and live count

class Counted : public Unknown {
 public:
  Counted(LiveCount* live, int* destroyed) : Unknown(live), destroyed_(destroyed) {}
  ~Counted() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

// A terminator that hands itself out, as a class terminator calling Destroy(Me) would.
class SelfReferencing : public Unknown {
 public:
  explicit SelfReferencing(int* destroyed) : destroyed_(destroyed) {}
  ~SelfReferencing() override {
    Ptr<SelfReferencing> self(this);
    ++*destroyed_;
  }

 private:
  int* destroyed_;
};

class Other : public Unknown {};

TEST(RefCounting, LastReleaseDestroysOnce) {
  LiveCount live;
  int destroyed = 0;
  {
    Ptr<Counted> a = makeObject<Counted>(&live, &destroyed);
    EXPECT_EQ(a->refCount(), 1u);
    EXPECT_EQ(live.value(), 1);
    Ptr<Counted> b = a;
    EXPECT_EQ(a->refCount(), 2u);
    Ptr<Unknown> base = a;  // upcast shares the object
    EXPECT_EQ(a->refCount(), 3u);
    b.reset();
    base = nullptr;
    EXPECT_EQ(a->refCount(), 1u);
    EXPECT_EQ(destroyed, 0);

    Ptr<Counted> moved = std::move(a);
    EXPECT_FALSE(a);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved->refCount(), 1u);
    Ptr<Counted> second = makeObject<Counted>(&live, &destroyed);
    EXPECT_EQ(live.value(), 2);
    second = moved;  // releases the second object
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(live.value(), 1);
  }
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(live.value(), 0);
}

TEST(RefCounting, TerminatorMayReferenceItself) {
  int destroyed = 0;
  { Ptr<SelfReferencing> p = makeObject<SelfReferencing>(&destroyed); }
  EXPECT_EQ(destroyed, 1);
}

TEST(RefCounting, QueryInterface) {
  LiveCount live;
  int destroyed = 0;
  Ptr<Unknown> object = makeObject<Counted>(&live, &destroyed);
  Ptr<Counted> asCounted = queryInterface<Counted>(object);
  EXPECT_EQ(asCounted.get(), object.get());
  EXPECT_EQ(object->refCount(), 2u);
  EXPECT_FALSE(queryInterface<Other>(object));
  EXPECT_FALSE(queryInterface<Counted>(Ptr<Unknown>()));
  EXPECT_TRUE(object == Ptr<Unknown>(asCounted));
  EXPECT_FALSE(object == nullptr);
}

// ---------------------------------------------------------------------------------------------
// Dispatch

enum : int32_t { IdAdd = 1, IdSwap, IdCaption, IdSum, IdCount, IdChannelCaption, IdFail };

// A small late-bound object: what host controls and frame operations look like.
class Gauge : public Dispatch {
 public:
  Gauge() {
    table_.add(IdAdd, "Add", 2,
               [](InvokeKind, std::span<Variant> a) { return Variant(a[0].toLong() + a[1].toLong()); });
    table_.add(IdSwap, "Swap", 2, [](InvokeKind, std::span<Variant> a) {
      std::swap(a[0], a[1]);  // both arguments are by reference
      return Variant();
    });
    table_.addProperty(
        IdCaption, "Caption", [this] { return Variant(caption_); },
        [this](const Variant& v) { caption_ = v.toString(); });
    table_.add(IdSum, "Sum", -1, [](InvokeKind, std::span<Variant> a) {
      double s = 0;
      for (const Variant& v : a) s += v.toDouble();
      return Variant(s);
    });
    table_.addProperty(
        IdCount, "Count", [] { return Variant(int32_t{4}); }, nullptr);
    table_.addIndexedProperty(
        IdChannelCaption, "ChannelCaption", 1,
        [this](std::span<Variant> idx) { return Variant(channels_[idx[0].toLong()]); },
        [this](std::span<Variant> idx, const Variant& v) { channels_[idx[0].toLong()] = v.toString(); });
    table_.add(
        IdFail, "Fail", 0,
        [](InvokeKind, std::span<Variant>) -> Variant { platform::com::raise(err::InvalidPropertyValue); },
        true, true, false);
  }
  int32_t idOfName(std::string_view name) const override { return table_.idOfName(name); }
  Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) override {
    return table_.invoke(id, kind, args);
  }
  const DispatchTable& table() const { return table_; }

 private:
  DispatchTable table_;
  std::string caption_ = "Flow";
  std::map<int32_t, std::string> channels_;
};

TEST(Dispatch, CallsByNameAndNumber) {
  Ptr<Gauge> g = makeObject<Gauge>();
  EXPECT_EQ(g->call("Add", {Variant(2), Variant(3)}).toLong(), 5);
  EXPECT_EQ(g->call("ADD", {Variant(2), Variant(3)}).toLong(), 5);  // names match without case
  EXPECT_EQ(g->idOfName("channelcaption"), IdChannelCaption);
  std::vector<Variant> args = {Variant(1.5), Variant(2.5), Variant("3")};
  EXPECT_EQ(g->invoke(IdSum, InvokeKind::Method, args).toDouble(), 7.0);
  EXPECT_EQ(g->call("Sum").toDouble(), 0.0);  // any count, none included
}

TEST(Dispatch, ByReferenceArgumentsAreWrittenBack) {
  Ptr<Gauge> g = makeObject<Gauge>();
  Variant args[2] = {Variant("first"), Variant(int32_t{2})};
  g->invokeByName("Swap", InvokeKind::Method, args);
  EXPECT_EQ(args[0].toLong(), 2);
  EXPECT_EQ(args[1].toString(), "first");
}

TEST(Dispatch, Properties) {
  Ptr<Gauge> g = makeObject<Gauge>();
  EXPECT_EQ(g->get(IdCaption).toString(), "Flow");
  g->put(IdCaption, Variant("Mass flow"));
  EXPECT_EQ(g->get(IdCaption).toString(), "Mass flow");
  EXPECT_EQ(g->get(IdCount).toLong(), 4);

  Variant putArgs[2] = {Variant(int16_t{1}), Variant("Density")};
  g->invoke(IdChannelCaption, InvokeKind::PropertyPut, putArgs);
  Variant getArgs[1] = {Variant(int32_t{1})};
  EXPECT_EQ(g->invoke(IdChannelCaption, InvokeKind::PropertyGet, getArgs).toString(), "Density");
}

TEST(Dispatch, UnknownMemberIs438) {
  Ptr<Gauge> g = makeObject<Gauge>();
  EXPECT_EQ(errorNumberOf([&] { g->idOfName("OpenFromDatabase"); }), err::NoSuchMember);
  EXPECT_EQ(errorNumberOf([&] { g->call("Nope"); }), err::NoSuchMember);
  EXPECT_EQ(errorNumberOf([&] { g->get(999); }), err::NoSuchMember);
  // A kind the member does not answer is no member either.
  EXPECT_EQ(errorNumberOf([&] { g->get(IdAdd); }), err::NoSuchMember);
  EXPECT_EQ(errorNumberOf([&] { g->put(IdAdd, Variant(1)); }), err::NoSuchMember);
  EXPECT_EQ(errorNumberOf([&] { g->call("Caption"); }), err::NoSuchMember);
  EXPECT_EQ(errorNumberOf([&] { g->put(IdCount, Variant(5)); }), err::NoSuchMember);  // read-only
}

TEST(Dispatch, WrongArgumentCountIs450) {
  Ptr<Gauge> g = makeObject<Gauge>();
  EXPECT_EQ(errorNumberOf([&] { g->call("Add", {Variant(1)}); }), err::WrongArgumentCount);
  EXPECT_EQ(errorNumberOf([&] {
              g->call("Add", {Variant(1), Variant(2), Variant(3)});
            }),
            err::WrongArgumentCount);
  // The probe of an optional frame operation: one Boolean argument to a member that takes none.
  EXPECT_EQ(errorNumberOf([&] { g->call("Fail", {Variant(true)}); }), err::WrongArgumentCount);
  EXPECT_EQ(errorNumberOf([&] { g->invoke(IdCaption, InvokeKind::PropertyPut, {}); }),
            err::WrongArgumentCount);
  Variant twoArgs[2] = {Variant(1), Variant(2)};
  EXPECT_EQ(errorNumberOf([&] { g->invoke(IdCaption, InvokeKind::PropertyGet, twoArgs); }),
            err::WrongArgumentCount);
  EXPECT_EQ(
      errorNumberOf([&] { g->invoke(IdChannelCaption, InvokeKind::PropertyPut, std::span(twoArgs, 1)); }),
      err::WrongArgumentCount);
}

TEST(Dispatch, HandlerErrorsPassThrough) {
  Ptr<Gauge> g = makeObject<Gauge>();
  EXPECT_EQ(errorNumberOf([&] { g->call("Fail"); }), err::InvalidPropertyValue);
  EXPECT_EQ(errorNumberOf([&] { g->get(IdFail); }), err::InvalidPropertyValue);
}

TEST(Dispatch, TableListsAndReplacesMembers) {
  DispatchTable table;
  table.add(7, "Old", 0, [](InvokeKind, std::span<Variant>) { return Variant(1); });
  table.add(7, "New", 0, [](InvokeKind, std::span<Variant>) { return Variant(2); });
  table.add(3, "Three", 0, [](InvokeKind, std::span<Variant>) { return Variant(3); });
  EXPECT_TRUE(table.has(7));
  EXPECT_FALSE(table.has(8));
  const std::vector<std::pair<int32_t, std::string>> expected = {{3, "Three"}, {7, "New"}};
  EXPECT_EQ(table.members(), expected);
  EXPECT_EQ(errorNumberOf([&] { table.idOfName("Old"); }), err::NoSuchMember);
  EXPECT_EQ(table.invoke(7, InvokeKind::Method, {}).toLong(), 2);
}

// One table shared by several objects: every call works on the object it is made for, and
// the checks of kind and argument count hold as for a table of one object.
TEST(Dispatch, SharedTableWorksOnTheObjectItIsCalledFor) {
  struct Channel {
    std::string caption;
    std::vector<double> samples;
  };
  BasicDispatchTable<Channel&> table;
  table.addProperty(
      1, "Caption", [](Channel& c) { return Variant(c.caption); },
      [](Channel& c, const Variant& v) { c.caption = v.toString(); });
  table.addIndexedProperty(
      2, "Sample", 1,
      [](Channel& c, std::span<Variant> index) { return Variant(c.samples.at(index[0].toLong())); }, nullptr);
  table.add(3, "Add", 1, [](Channel& c, InvokeKind, std::span<Variant> args) {
    c.samples.push_back(args[0].toDouble());
    return Variant(static_cast<int32_t>(c.samples.size()));
  });

  Channel flow{"Flow", {}}, density{"Density", {}};
  Variant caption[1] = {Variant("Mass flow")};
  table.invoke(flow, 1, InvokeKind::PropertyPut, caption);
  Variant sample[1] = {Variant(2.5)};
  EXPECT_EQ(table.invoke(density, 3, InvokeKind::Method, sample).toLong(), 1);
  EXPECT_EQ(flow.caption, "Mass flow");
  EXPECT_EQ(density.caption, "Density");
  EXPECT_TRUE(flow.samples.empty());
  Variant first[1] = {Variant(int32_t{0})};
  EXPECT_EQ(table.invoke(density, 2, InvokeKind::PropertyGet, first).toDouble(), 2.5);
  EXPECT_EQ(table.idOfName("sample"), 2);

  EXPECT_EQ(errorNumberOf([&] { table.invoke(flow, 2, InvokeKind::PropertyPut, first); }), err::NoSuchMember);
  EXPECT_EQ(errorNumberOf([&] { table.invoke(flow, 3, InvokeKind::Method, {}); }), err::WrongArgumentCount);
  EXPECT_EQ(errorNumberOf([&] { table.invoke(flow, 4, InvokeKind::Method, {}); }), err::NoSuchMember);
  EXPECT_TRUE(flow.samples.empty());  // a refused call reaches no handler
}

}  // namespace
