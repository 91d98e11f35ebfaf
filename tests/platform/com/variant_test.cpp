#include "platform/com/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/com/dispatch.h"
#include "tests/platform/com/test_support.h"

using namespace platform::com;
using comtest::errorNumberOf;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---------------------------------------------------------------------------------------------
// Rounding and ranges of the integer conversions

TEST(NumericConversion, RoundsHalfToEven) {
  EXPECT_EQ(cLng(0.5), 0);
  EXPECT_EQ(cLng(1.5), 2);
  EXPECT_EQ(cLng(2.5), 2);
  EXPECT_EQ(cLng(3.5), 4);
  EXPECT_EQ(cLng(-0.5), 0);
  EXPECT_EQ(cLng(-1.5), -2);
  EXPECT_EQ(cLng(-2.5), -2);
  EXPECT_EQ(cLng(-3.5), -4);
  // Only an exact half goes to the even neighbour.
  EXPECT_EQ(cLng(2.4999999999), 2);
  EXPECT_EQ(cLng(2.5000000001), 3);
  EXPECT_EQ(cLng(-2.5000000001), -3);

  EXPECT_EQ(cInt(2.5), 2);
  EXPECT_EQ(cInt(3.5), 4);
  EXPECT_EQ(cInt(-2.5), -2);
  EXPECT_EQ(cByte(2.5), 2);
  EXPECT_EQ(cByte(3.5), 4);
  EXPECT_EQ(cByte(254.5), 254);
  EXPECT_EQ(cByte(253.5), 254);
}

TEST(NumericConversion, LongRangeEdges) {
  EXPECT_EQ(cLng(2147483647.0), 2147483647);
  EXPECT_EQ(cLng(2147483647.4), 2147483647);
  EXPECT_EQ(cLng(2147483646.5), 2147483646);
  EXPECT_EQ(errorNumberOf([] { cLng(2147483647.5); }), err::Overflow);  // rounds to 2147483648
  EXPECT_EQ(errorNumberOf([] { cLng(2147483648.0); }), err::Overflow);
  EXPECT_EQ(cLng(-2147483647.0), -2147483647);
  EXPECT_EQ(cLng(-2147483648.0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(cLng(-2147483648.5), std::numeric_limits<int32_t>::min());  // even neighbour
  EXPECT_EQ(errorNumberOf([] { cLng(-2147483648.6); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cLng(-2147483649.0); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cLng(1e300); }), err::Overflow);
}

TEST(NumericConversion, IntegerRangeEdges) {
  EXPECT_EQ(cInt(32767.0), 32767);
  EXPECT_EQ(cInt(-32768.0), -32768);
  EXPECT_EQ(cInt(-32768.5), -32768);
  EXPECT_EQ(errorNumberOf([] { cInt(32767.5); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cInt(32768.0); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cInt(-32769.0); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cInt(-32768.6); }), err::Overflow);
}

TEST(NumericConversion, ByteRangeEdges) {
  EXPECT_EQ(cByte(255.0), 255);
  EXPECT_EQ(cByte(0.0), 0);
  EXPECT_EQ(cByte(-0.5), 0);
  EXPECT_EQ(errorNumberOf([] { cByte(255.5); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cByte(256.0); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cByte(-0.51); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { cByte(-1.0); }), err::Overflow);
}

TEST(NumericConversion, NaNAndInfinityOverflow) {
  for (double v : {kNaN, kInf, -kInf}) {
    EXPECT_EQ(errorNumberOf([v] { cLng(v); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([v] { cInt(v); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([v] { cByte(v); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([v] { Variant(v).toLong(); }), err::Overflow);
  }
}

TEST(VariantConversion, NumbersBetweenTypes) {
  EXPECT_EQ(Variant(2.5).toLong(), 2);
  EXPECT_EQ(Variant(2.5f).toInteger(), 2);
  EXPECT_EQ(Variant(int32_t{300}).toInteger(), 300);
  EXPECT_EQ(errorNumberOf([] { Variant(int32_t{40000}).toInteger(); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant(int16_t{256}).toByte(); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant(int32_t{-1}).toByte(); }), err::Overflow);
  EXPECT_EQ(Variant(uint8_t{200}).toLong(), 200);
  EXPECT_EQ(Variant(int16_t{-5}).toDouble(), -5.0);
  EXPECT_EQ(Variant(1.5f).toDouble(), 1.5);
  EXPECT_EQ(errorNumberOf([] { Variant(1e39).toSingle(); }), err::Overflow);
  EXPECT_EQ(Variant(-1e38).toSingle(), -1e38f);
}

TEST(VariantConversion, StringsParseLocaleFree) {
  EXPECT_EQ(Variant("  12  ").toLong(), 12);
  EXPECT_EQ(Variant("\t-3.5\t").toDouble(), -3.5);
  EXPECT_EQ(Variant("2.5").toInteger(), 2);
  EXPECT_EQ(Variant("3.5").toInteger(), 4);
  EXPECT_EQ(Variant("+7").toLong(), 7);
  EXPECT_EQ(Variant(".5").toDouble(), 0.5);
  EXPECT_EQ(Variant("-.5").toDouble(), -0.5);
  EXPECT_EQ(Variant("5.").toDouble(), 5.0);
  EXPECT_EQ(Variant("1e3").toLong(), 1000);
  EXPECT_EQ(Variant("1.5E-2").toDouble(), 0.015);
  EXPECT_EQ(Variant("2147483647").toLong(), 2147483647);
  EXPECT_EQ(errorNumberOf([] { Variant("2147483648").toLong(); }), err::Overflow);
  EXPECT_EQ(Variant("1e-400").toDouble(), 0.0);
  EXPECT_EQ(errorNumberOf([] { Variant("1e400").toDouble(); }), err::Overflow);
}

TEST(VariantConversion, HexStringsFollowLiteralWidths) {
  EXPECT_EQ(Variant("&HFF").toLong(), 255);
  EXPECT_EQ(Variant("&hff").toLong(), 255);
  EXPECT_EQ(Variant(" &H7FFF ").toLong(), 32767);
  EXPECT_EQ(Variant("&H8000").toLong(), -32768);  // four digits read as 16 bit
  EXPECT_EQ(Variant("&HFFFF").toInteger(), -1);
  EXPECT_EQ(Variant("&H10000").toLong(), 65536);
  EXPECT_EQ(Variant("&H80000000").toLong(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(Variant("&HFFFFFFFF").toLong(), -1);
  EXPECT_EQ(Variant("&O17").toLong(), 15);
  EXPECT_EQ(errorNumberOf([] { Variant("&H100000000").toLong(); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant("&H").toLong(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumberOf([] { Variant("&HFG").toLong(); }), err::TypeMismatch);
}

TEST(VariantConversion, NonNumericStringsAreTypeMismatch) {
  for (const char* text :
       {"", "   ", "abc", "12abc", "1 2", ".", "-", "+", "1e", "1e+", "--1", "1.2.3", "0x10"}) {
    EXPECT_EQ(errorNumberOf([text] { Variant(text).toDouble(); }), err::TypeMismatch) << '"' << text << '"';
    EXPECT_EQ(errorNumberOf([text] { Variant(text).toLong(); }), err::TypeMismatch) << '"' << text << '"';
  }
  EXPECT_FALSE(parseNumber("12abc").has_value());
  EXPECT_EQ(parseNumber(" 12 "), 12.0);
}

TEST(VariantConversion, Booleans) {
  EXPECT_EQ(Variant(true).toLong(), -1);
  EXPECT_EQ(Variant(true).toInteger(), -1);
  EXPECT_EQ(Variant(true).toDouble(), -1.0);
  EXPECT_EQ(Variant(false).toLong(), 0);
  EXPECT_EQ(errorNumberOf([] { Variant(true).toByte(); }), err::Overflow);
  EXPECT_EQ(Variant(true).toString(), "True");
  EXPECT_EQ(Variant(false).toString(), "False");

  EXPECT_TRUE(Variant("True").toBool());
  EXPECT_TRUE(Variant("tRUE").toBool());
  EXPECT_FALSE(Variant("FALSE").toBool());
  EXPECT_TRUE(Variant(" True ").toBool());
  EXPECT_TRUE(Variant("-1").toBool());
  EXPECT_TRUE(Variant("0.5").toBool());
  EXPECT_FALSE(Variant("0").toBool());
  EXPECT_EQ(errorNumberOf([] { Variant("yes").toBool(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumberOf([] { Variant("").toBool(); }), err::TypeMismatch);

  EXPECT_FALSE(Variant(0.0).toBool());
  EXPECT_TRUE(Variant(0.1).toBool());
  EXPECT_TRUE(Variant(int32_t{-7}).toBool());
  EXPECT_TRUE(Variant(kNaN).toBool());
  EXPECT_FALSE(Variant(uint8_t{0}).toBool());
}

TEST(VariantConversion, EmptyNullErrorAndObject) {
  const Variant empty;
  EXPECT_EQ(empty.toLong(), 0);
  EXPECT_EQ(empty.toDouble(), 0.0);
  EXPECT_EQ(empty.toString(), "");
  EXPECT_FALSE(empty.toBool());
  EXPECT_FALSE(empty.toObject());

  const Variant null = Variant::null();
  EXPECT_EQ(errorNumberOf([&] { null.toLong(); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorNumberOf([&] { null.toString(); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorNumberOf([&] { null.toBool(); }), err::InvalidUseOfNull);

  const Variant missing = Variant::missing();
  EXPECT_TRUE(missing.isMissing());
  EXPECT_TRUE(missing.isError());
  EXPECT_EQ(missing.errorValue(), hr::ParamNotFound);
  EXPECT_EQ(errorNumberOf([&] { missing.toLong(); }), err::TypeMismatch);
  EXPECT_FALSE(Variant::errorCode(5).isMissing());
  EXPECT_EQ(errorNumberOf([] { Variant(1).errorValue(); }), err::TypeMismatch);

  EXPECT_EQ(errorNumberOf([] { Variant("x").toObject(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumberOf([] { Variant(ByteArray{}).toString(); }), err::TypeMismatch);
}

TEST(VariantConversion, ToStringOfNumbers) {
  EXPECT_EQ(Variant(uint8_t{255}).toString(), "255");
  EXPECT_EQ(Variant(int16_t{-32768}).toString(), "-32768");
  EXPECT_EQ(Variant(std::numeric_limits<int32_t>::min()).toString(), "-2147483648");
  EXPECT_EQ(Variant(2.5).toString(), "2.5");
  EXPECT_EQ(Variant(0.1f).toString(), "0.1");  // 7 digits hide the Single's binary error
  EXPECT_EQ(Variant(12345678.0f).toString(), "1.234568E+07");
  EXPECT_EQ(Variant(1234567.0f).toString(), "1234567");
  EXPECT_EQ(Variant("text").toString(), "text");
}

// ---------------------------------------------------------------------------------------------
// Number formatting

TEST(FormatNumber, SignificantDigitsAndTrailingZeros) {
  EXPECT_EQ(formatNumber(0.0), "0");
  EXPECT_EQ(formatNumber(-0.0), "0");
  EXPECT_EQ(formatNumber(0.1), "0.1");
  EXPECT_EQ(formatNumber(0.1 + 0.2), "0.3");
  EXPECT_EQ(formatNumber(100.0), "100");
  EXPECT_EQ(formatNumber(-12.75), "-12.75");
  EXPECT_EQ(formatNumber(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(formatNumber(2.0 / 3.0), "0.666666666666667");
  EXPECT_EQ(formatNumber(123456.789), "123456.789");
  EXPECT_EQ(formatNumber(999999999999999.0), "999999999999999");
}

TEST(FormatNumber, ExponentFormAtTheEdges) {
  EXPECT_EQ(formatNumber(1e15), "1E+15");
  EXPECT_EQ(formatNumber(1e16), "1E+16");
  EXPECT_EQ(formatNumber(-1e16), "-1E+16");
  EXPECT_EQ(formatNumber(999999999999999.6), "1E+15");  // rounds up into the next decade
  EXPECT_EQ(formatNumber(123456789012345678.0), "1.23456789012346E+17");
  EXPECT_EQ(formatNumber(1e300), "1E+300");
  EXPECT_EQ(formatNumber(0.00001), "0.00001");
  EXPECT_EQ(formatNumber(0.0000123), "0.0000123");
  EXPECT_EQ(formatNumber(0.000001), "1E-06");
  EXPECT_EQ(formatNumber(-2.5e-6), "-2.5E-06");
  EXPECT_EQ(formatNumber(1e-100), "1E-100");
  EXPECT_EQ(formatNumber(kNaN), "NaN");
  EXPECT_EQ(formatNumber(-kInf), "-Infinity");
}

// ---------------------------------------------------------------------------------------------
// Val

TEST(Val, ReadsTheLeadingNumber) {
  EXPECT_EQ(val("  12.5abc"), 12.5);
  EXPECT_EQ(val("1e3"), 1000.0);
  EXPECT_EQ(val("1d2"), 100.0);
  EXPECT_EQ(val("-.5"), -0.5);
  EXPECT_EQ(val("+5"), 5.0);
  EXPECT_EQ(val("1.2.3"), 1.2);
  EXPECT_EQ(val("1e"), 1.0);
  EXPECT_EQ(val("1e+x"), 1.0);
  EXPECT_EQ(val("1e5x"), 100000.0);
  EXPECT_EQ(val("1 2 3"), 123.0);  // blanks inside are skipped, as the language does
  EXPECT_EQ(val("\t7\n"), 7.0);
}

TEST(Val, NothingNumericGivesZero) {
  for (const char* text : {"", "abc", ".", "-", "--5", "+-5", "&", "&H", "&Z1", "e5"}) {
    EXPECT_EQ(val(text), 0.0) << '"' << text << '"';
  }
}

TEST(Val, HexAndOctal) {
  EXPECT_EQ(val("&HFF"), 255.0);
  EXPECT_EQ(val("&hff"), 255.0);
  EXPECT_EQ(val("&HFFxyz"), 255.0);
  EXPECT_EQ(val("&H8000"), -32768.0);
  EXPECT_EQ(val("&HFFFF"), -1.0);
  EXPECT_EQ(val("&H10000"), 65536.0);
  EXPECT_EQ(val("&H80000000"), -2147483648.0);
  EXPECT_EQ(val("&HFFFFFFFF"), -1.0);
  EXPECT_EQ(val("&O17"), 15.0);
  EXPECT_EQ(val("&O177777"), -1.0);
  EXPECT_EQ(val("&O200000"), 65536.0);
  EXPECT_EQ(val("&O18"), 1.0);
  EXPECT_EQ(errorNumberOf([] { val("&H1FFFFFFFF"); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { val("1e400"); }), err::Overflow);
}

// ---------------------------------------------------------------------------------------------
// identical(), the host's change detection

class Probe : public Dispatch {
 public:
  int32_t idOfName(std::string_view) const override { platform::com::raise(err::NoSuchMember); }
  Variant invoke(int32_t, InvokeKind, std::span<Variant>) override {
    platform::com::raise(err::NoSuchMember);
  }
};

TEST(Identical, ComparesTypeAndValue) {
  EXPECT_TRUE(Variant(1).identical(Variant(1)));
  EXPECT_FALSE(Variant(int32_t{1}).identical(Variant(int16_t{1})));
  EXPECT_FALSE(Variant(1.0).identical(Variant(1.0f)));
  EXPECT_FALSE(Variant(1.0).identical(Variant(1.0000000001)));
  EXPECT_TRUE(Variant(kNaN).identical(Variant(kNaN)));
  EXPECT_TRUE(Variant(std::numeric_limits<float>::quiet_NaN())
                  .identical(Variant(std::numeric_limits<float>::quiet_NaN())));
  EXPECT_FALSE(Variant(kNaN).identical(Variant(0.0)));
  EXPECT_FALSE(Variant("a").identical(Variant("A")));
  EXPECT_TRUE(Variant().identical(Variant()));
  EXPECT_FALSE(Variant().identical(Variant("")));
  EXPECT_FALSE(Variant().identical(Variant::null()));
  EXPECT_TRUE(Variant::null().identical(Variant::null()));
  EXPECT_FALSE(Variant(true).identical(Variant(int16_t{-1})));
  EXPECT_FALSE(Variant::errorCode(1).identical(Variant::errorCode(2)));
}

TEST(Identical, ArraysAndObjects) {
  const Variant bytes(ByteArray{3, {0x04, 0x20}});
  EXPECT_TRUE(bytes.identical(Variant(ByteArray{3, {0x04, 0x20}})));
  EXPECT_FALSE(bytes.identical(Variant(ByteArray{0, {0x04, 0x20}})));
  EXPECT_FALSE(bytes.identical(Variant(ByteArray{3, {0x04, 0x21}})));

  const Variant record(VariantArray{1, {Variant(int32_t{3}), Variant("Kg/s")}});
  EXPECT_TRUE(record.identical(Variant(VariantArray{1, {Variant(int32_t{3}), Variant("Kg/s")}})));
  EXPECT_FALSE(record.identical(Variant(VariantArray{1, {Variant(int16_t{3}), Variant("Kg/s")}})));
  EXPECT_FALSE(record.identical(Variant(VariantArray{1, {Variant(int32_t{3})}})));

  Ptr<Probe> a = makeObject<Probe>();
  Ptr<Probe> b = makeObject<Probe>();
  EXPECT_TRUE(Variant(a).identical(Variant(a)));
  EXPECT_FALSE(Variant(a).identical(Variant(b)));
}

// ---------------------------------------------------------------------------------------------
// Arrays keep their lower bound

TEST(Arrays, BoundsAndSubscriptErrors) {
  ByteArray octets{3, {0x04, 0x20}};
  EXPECT_EQ(octets.upperBound(), 4);
  EXPECT_EQ(octets.at(3), 0x04);
  EXPECT_EQ(octets.at(4), 0x20);
  octets.at(4) = 0xC4;
  EXPECT_EQ(octets.data[1], 0xC4);
  EXPECT_EQ(errorNumberOf([&] { octets.at(2); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorNumberOf([&] { octets.at(5); }), err::SubscriptOutOfRange);

  const ByteArray empty;
  EXPECT_EQ(empty.upperBound(), -1);
  EXPECT_EQ(errorNumberOf([&] { empty.at(0); }), err::SubscriptOutOfRange);

  // Bounds near the Long limits must not overflow the index arithmetic.
  const ByteArray high{std::numeric_limits<int32_t>::max(), {1}};
  EXPECT_EQ(high.at(std::numeric_limits<int32_t>::max()), 1);
  EXPECT_EQ(errorNumberOf([&] { high.at(std::numeric_limits<int32_t>::min()); }), err::SubscriptOutOfRange);

  VariantArray items{-1, {Variant(1), Variant("two")}};
  EXPECT_EQ(items.upperBound(), 0);
  EXPECT_EQ(items.at(0).toString(), "two");
  EXPECT_EQ(errorNumberOf([&] { items.at(1); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorNumberOf([&] { items.at(-2); }), err::SubscriptOutOfRange);
}

TEST(Arrays, VariantCopiesOwnTheirElements) {
  Variant original(ByteArray{1, {1, 2, 3}});
  Variant copy = original;
  copy.byteArray().at(2) = 99;
  EXPECT_EQ(original.byteArray().at(2), 2);
  EXPECT_EQ(copy.byteArray().at(2), 99);

  Variant assigned;
  assigned = original;
  assigned.byteArray().data.push_back(4);
  EXPECT_EQ(original.byteArray().upperBound(), 3);

  Variant nested(VariantArray{0, {Variant(ByteArray{0, {7}})}});
  Variant nestedCopy = nested;
  nestedCopy.variantArray().at(0).byteArray().at(0) = 8;
  EXPECT_EQ(nested.variantArray().at(0).byteArray().at(0), 7);

  Variant moved = std::move(original);
  EXPECT_EQ(moved.byteArray().at(1), 1);
  EXPECT_TRUE(
      original.isEmpty());  // NOLINT(bugprone-use-after-move): the moved-from state is part of the contract

  EXPECT_EQ(errorNumberOf([] { Variant(1).byteArray(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumberOf([] { Variant(ByteArray{}).variantArray(); }), err::TypeMismatch);
}

TEST(Variants, ObjectsAreSharedReferences) {
  Ptr<Probe> probe = makeObject<Probe>();
  {
    Variant v(probe);  // any Dispatch-derived pointer converts
    EXPECT_EQ(probe->refCount(), 2u);
    Variant copy = v;
    EXPECT_EQ(probe->refCount(), 2u);  // the copy shares the reference, as the language does
    EXPECT_EQ(copy.toObject().get(), probe.get());
    EXPECT_TRUE(v.isObject());
    EXPECT_FALSE(v.isNumeric());
  }
  EXPECT_EQ(probe->refCount(), 1u);
  const Variant nothing{Ptr<Dispatch>()};
  EXPECT_TRUE(nothing.isObject());
  EXPECT_FALSE(nothing.toObject());
  EXPECT_EQ(nothing.debugString(), "Nothing");
}

TEST(Variants, TypesAndDebugText) {
  EXPECT_EQ(Variant().type(), VarType::Empty);
  EXPECT_EQ(Variant::null().type(), VarType::Null);
  EXPECT_EQ(Variant(true).type(), VarType::Boolean);
  EXPECT_EQ(Variant(uint8_t{1}).type(), VarType::Byte);
  EXPECT_EQ(Variant(int16_t{1}).type(), VarType::Integer);
  EXPECT_EQ(Variant(1).type(), VarType::Long);
  EXPECT_EQ(Variant(1.0f).type(), VarType::Single);
  EXPECT_EQ(Variant(1.0).type(), VarType::Double);
  EXPECT_EQ(Variant("x").type(), VarType::String);
  EXPECT_EQ(Variant(std::string_view("x")).type(), VarType::String);
  EXPECT_EQ(Variant::errorCode(1).type(), VarType::Error);
  EXPECT_TRUE(Variant(true).isNumeric());
  EXPECT_FALSE(Variant("1").isNumeric());
  EXPECT_FALSE(Variant().isNumeric());

  EXPECT_EQ(Variant(ByteArray{3, {0x04, 0x20, 0xC4}}).debugString(), "Bytes(3 To 5) 04 20 C4");
  EXPECT_EQ(Variant(VariantArray{0, {Variant(2.5), Variant("a")}}).debugString(),
            "Array(0 To 1) {Double 2.5, \"a\"}");
  EXPECT_EQ(Variant::missing().debugString(), "Error &H80020004");
}

TEST(Text, CaseInsensitiveAscii) {
  EXPECT_TRUE(equalsNoCase("&&private&&Connect", "&&PRIVATE&&connect"));
  EXPECT_TRUE(equalsNoCase("", ""));
  EXPECT_FALSE(equalsNoCase("abc", "abcd"));
  EXPECT_FALSE(equalsNoCase("a[", "A{"));              // only letters fold
  EXPECT_FALSE(equalsNoCase("\xC3\x84", "\xC3\xA4"));  // other bytes compare exactly
  EXPECT_EQ(toUpperAscii("Kg/s \xC3\xA4z"), "KG/S \xC3\xA4Z");
  EXPECT_EQ(toLowerAscii("Velumor.MAIN"), "velumor.main");
}

}  // namespace
