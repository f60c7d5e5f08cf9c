#include "measure.h"

#include <gtest/gtest.h>

namespace mvbench {
namespace {

TEST(Summarize, NearestRankPicksMeasuredValuesWhateverTheOrder) {
  const Summary ten = Summarize({10, 1, 9, 2, 8, 3, 7, 4, 6, 5});
  EXPECT_EQ(ten.count, 10u);
  EXPECT_EQ(ten.median, 5);  // rank 5 of 10, not the 5.5 between two samples
  EXPECT_EQ(ten.p90, 9);
  EXPECT_EQ(ten.min, 1);
  EXPECT_EQ(ten.max, 10);

  const Summary odd = Summarize({3, 1, 2});
  EXPECT_EQ(odd.median, 2);
  EXPECT_EQ(odd.p90, 3);

  const Summary one = Summarize({7});
  EXPECT_EQ(one.median, 7);
  EXPECT_EQ(one.p90, 7);

  EXPECT_EQ(Summarize({}).count, 0u);
}

TEST(SlotsWithFrames, OneFramePerSlotAtMostAndBurstsCountOnce) {
  std::vector<double> sixty;
  for (int i = 0; i < 600; ++i) sixty.push_back(i / 60.0);
  EXPECT_EQ(SlotsWithFrames(sixty, 30), 300);  // 10 s at 60 a second: every slot, once
  std::vector<double> twenty;
  for (int i = 0; i < 200; ++i) twenty.push_back(i / 20.0 + 0.001);
  EXPECT_EQ(SlotsWithFrames(twenty, 30), 200);  // slower than the clock: every frame
  std::vector<double> bursts;  // three frames 2 ms apart every 100 ms: 30 a second, yet 10 slots
  for (int i = 0; i < 10; ++i)
    for (int k = 0; k < 3; ++k) bursts.push_back(i * 0.1 + k * 0.002 + 0.01);
  EXPECT_EQ(SlotsWithFrames(bursts, 30), 10);
  EXPECT_EQ(SlotsWithFrames({}, 30), 0);
}

TEST(Records, OnlyRecordLinesCountAndRepeatedKeysKeepTheirOrder) {
  const std::string output = "some log line\n" + RecordLine("mouse_ms", "12.5") + "mvbench\nmvbench  x\n" +
                             RecordLine("mouse_ms", "9") + RecordLine("bridge", "bridge-rtt n=200 median=3.1") +
                             RecordLine("mouse_ms", "not a number") + "mvbenchx key 1\n";
  const Records records = ParseRecords(output);
  EXPECT_EQ(NumberRecords(records, "mouse_ms"), (std::vector<double>{12.5, 9}));
  EXPECT_EQ(records.find("bridge")->second, "bridge-rtt n=200 median=3.1");
  EXPECT_EQ(records.count("key"), 0u);
  EXPECT_FALSE(NumberRecord(records, "startup_s").has_value());
}

TEST(FieldValue, FindsWholeKeysOnly) {
  const std::string text = "bridge-rtt n=200 median=3.125 p90=4.5 min=1 max=9.75";
  EXPECT_EQ(FieldValue(text, "n"), 200);
  EXPECT_EQ(FieldValue(text, "median"), 3.125);
  EXPECT_EQ(FieldValue(text, "p90"), 4.5);
  EXPECT_EQ(FieldValue(text, "max"), 9.75);
  EXPECT_FALSE(FieldValue(text, "med").has_value());
  EXPECT_FALSE(FieldValue("median=abc", "median").has_value());
}

}  // namespace
}  // namespace mvbench
