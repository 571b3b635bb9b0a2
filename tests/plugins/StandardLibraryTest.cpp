// The standard library's components, each run through the component host as a table of ticks:
// inputs given per tick, the outputs each tick must give. Components of numbers run both ways,
// with value texts and with the numeric step, and must give the same.

#include "PluginTestSupport.h"
#include "plugins/unRunner.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using TRows = std::vector<std::vector<std::string>>;

// An input of the module under test: a constant, or one value per tick ("1;2;3", fed by a
// Sequence, the last value kept).
struct TIn {
  std::string Name;
  std::string Value;
  bool PerTick = false;
};
TIn Ticked(std::string name, std::string values) {
  return {std::move(name), std::move(values), true};
}

// Runs the component for `ticks` ticks and gives each tick's values of the outputs (named in the
// component's order; all of them when `numeric`).
TRows RunTicks(const std::string& component, const std::vector<TIn>& inputs,
          const std::vector<std::string>& outputs, int ticks, bool numeric = false,
          std::vector<std::uint8_t> kinds = {}) {
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = ticks;
  TRunModule module{Samples + component + ".so", component, outputs, {}};
  for (const TIn& in : inputs) {
    if (!in.PerTick) {
      module.Inputs.push_back({in.Name, -1, -1, in.Value});
      continue;
    }
    TRunModule sequence{Samples + "Sequence.so", "Seq" + in.Name, {"Value"}, {}};
    sequence.Inputs.push_back({"Values", -1, -1, in.Value});
    module.Inputs.push_back({in.Name, static_cast<std::int32_t>(plan.Modules.size()), 0, ""});
    plan.Modules.push_back(std::move(sequence));
  }
  module.Numeric = numeric;
  if (numeric)
    module.OutputKinds = kinds.empty() ? std::vector<std::uint8_t>(outputs.size(), rkDouble) : kinds;
  const auto at = static_cast<std::int32_t>(plan.Modules.size());
  plan.Modules.push_back(std::move(module));
  for (std::size_t k = 0; k < outputs.size(); ++k)
    plan.Watch.push_back({at, static_cast<std::int32_t>(k)});
  TRows rows;
  TRunner runner;
  runner.OnRow = [&](std::int64_t, const std::vector<std::string>& row) { rows.push_back(row); };
  EXPECT_TRUE(runner.Start(plan, ZU_PROBE));
  runner.Wait();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  return rows;
}

// The rows of one output.
std::vector<std::string> Column(const TRows& rows, std::size_t k = 0) {
  std::vector<std::string> column;
  for (const auto& row : rows)
    column.push_back(k < row.size() ? row[k] : "?");
  return column;
}

using TColumn = std::vector<std::string>;

// A component of numbers: the table through value texts, then through the numeric step.
struct TNumericCase {
  std::string Component;
  std::vector<TIn> Inputs;
  std::vector<std::string> Outputs;
  std::vector<std::uint8_t> Kinds;
  std::vector<TColumn> Expected; // per output, per tick
};

void ExpectTable(const TNumericCase& c) {
  const int ticks = static_cast<int>(c.Expected[0].size());
  for (const bool numeric : {false, true}) {
    const TRows rows = RunTicks(c.Component, c.Inputs, c.Outputs, ticks, numeric, c.Kinds);
    for (std::size_t k = 0; k < c.Outputs.size(); ++k)
      EXPECT_EQ(Column(rows, k), c.Expected[k])
          << c.Component << "." << c.Outputs[k] << (numeric ? " (numeric step)" : " (texts)");
  }
}

} // namespace

TEST(StandardLibrary, MathGivesTheExactValues) {
  const std::vector<TNumericCase> cases{
      {"Multiply", {Ticked("A", "2;-3;0.5"), {"B", "4"}}, {"Product"}, {}, {{"8", "-12", "2"}}},
      {"Subtract", {Ticked("A", "5;1"), {"B", "2"}}, {"Difference"}, {}, {{"3", "-1"}}},
      {"Divide",
       {{"A", "1"}, Ticked("B", "4;0;-2")},
       {"Quotient", "Valid"},
       {rkDouble, rkBool},
       {{"0.25", "0", "-0.5"}, {"true", "false", "true"}}},
      {"Abs", {Ticked("X", "-2.5;3")}, {"Result"}, {}, {{"2.5", "3"}}},
      {"MinMax",
       {Ticked("A", "1;5"), {"B", "3"}},
       {"Min", "Max"},
       {},
       {{"1", "3"}, {"3", "5"}}},
      {"Limit",
       {Ticked("X", "-5;0.5;7"), {"Low", "0"}, {"High", "1"}},
       {"Y", "Limited"},
       {rkDouble, rkBool},
       {{"0", "0.5", "1"}, {"true", "false", "true"}}},
      {"Scale", {Ticked("X", "1;2"), {"Gain", "10"}, {"Offset", "-1"}}, {"Y"}, {}, {{"9", "19"}}},
      {"Power", {{"Base", "2"}, Ticked("Exponent", "10;0.5")}, {"Result"}, {},
       {{"1024", "1.4142135623730951"}}},
      {"SquareRoot",
       {Ticked("X", "9;-1")},
       {"Result", "Valid"},
       {rkDouble, rkBool},
       {{"3", "0"}, {"true", "false"}}},
      {"Round", {Ticked("X", "2.345;-2.5"), {"Decimals", "1"}}, {"Result"}, {}, {{"2.3", "-2.5"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, LogicAndComparison) {
  const std::vector<TNumericCase> cases{
      {"And", {Ticked("A", "false;true;true"), Ticked("B", "true;false;true")}, {"Q"}, {rkBool},
       {{"false", "false", "true"}}},
      {"Or", {Ticked("A", "false;true;false"), Ticked("B", "false;false;true")}, {"Q"}, {rkBool},
       {{"false", "true", "true"}}},
      {"Xor", {Ticked("A", "true;true"), Ticked("B", "true;false")}, {"Q"}, {rkBool},
       {{"false", "true"}}},
      {"Not", {Ticked("A", "true;false")}, {"Q"}, {rkBool}, {{"false", "true"}}},
      {"Compare",
       {Ticked("A", "1;1.05;2"), {"B", "1"}, {"Tolerance", "0.1"}},
       {"Greater", "Equal", "Less"},
       {rkBool, rkBool, rkBool},
       {{"false", "false", "true"}, {"true", "true", "false"}, {"false", "false", "false"}}},
      {"Select", {Ticked("Condition", "true;false"), {"A", "1"}, {"B", "2"}}, {"Y"}, {},
       {{"1", "2"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, TimingCountsTicks) {
  const std::vector<TNumericCase> cases{
      {"Delay", {Ticked("X", "1;2;3;4"), {"Ticks", "2"}}, {"Y"}, {}, {{"0", "0", "1", "2"}}},
      {"OnDelay",
       {Ticked("In", "true;true;true;false;true"), {"Ticks", "2"}},
       {"Q", "Elapsed"},
       {rkBool, rkInt},
       {{"false", "true", "true", "false", "false"}, {"1", "2", "3", "0", "1"}}},
      {"OffDelay",
       {Ticked("In", "false;true;false;false;false"), {"Ticks", "2"}},
       {"Q", "Elapsed"},
       {rkBool, rkInt},
       {{"false", "true", "true", "true", "false"}, {"0", "0", "1", "2", "3"}}},
      {"Counter",
       {Ticked("Up", "true;true;false;true;false;true"),
        Ticked("Reset", "false;false;false;false;true;false")},
       {"Count"},
       {rkInt},
       {{"1", "1", "1", "2", "0", "1"}}},
      {"RisingEdge", {Ticked("In", "false;true;true;false;true")}, {"Q"}, {rkBool},
       {{"false", "true", "false", "false", "true"}}},
      {"FallingEdge", {Ticked("In", "true;false;false;true;false")}, {"Q"}, {rkBool},
       {{"false", "true", "false", "false", "true"}}},
      {"Pulse", {Ticked("In", "true;true;true;false;true;false"), {"Ticks", "2"}}, {"Q"},
       {rkBool}, {{"true", "true", "false", "false", "true", "true"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, ControlAndSignal) {
  const std::vector<TNumericCase> cases{
      // P only, then the integral held while the output is at its limit (anti-windup).
      {"PID",
       {{"Setpoint", "10"}, Ticked("Value", "0;5;9"), {"Kp", "2"}, {"Ki", "0"}, {"Kd", "0"},
        {"Min", "-100"}, {"Max", "15"}, {"Dt", "1"}},
       {"Output", "Error", "Saturated"},
       {rkDouble, rkDouble, rkBool},
       {{"15", "10", "2"}, {"10", "5", "1"}, {"true", "false", "false"}}},
      {"PID",
       {{"Setpoint", "1"}, Ticked("Value", "0;0;0;0;2;2"), {"Kp", "0"}, {"Ki", "1"}, {"Kd", "0"},
        {"Min", "0"}, {"Max", "2"}, {"Dt", "1"}},
       {"Output", "Error", "Saturated"},
       {rkDouble, rkDouble, rkBool},
       {{"1", "2", "2", "2", "1", "0"},
        {"1", "1", "1", "1", "-1", "-1"},
        {"false", "false", "true", "true", "false", "false"}}},
      {"Integrator",
       {Ticked("X", "1;2;3;4"), {"Dt", "0.5"}, Ticked("Reset", "false;false;true;false"),
        {"Initial", "10"}},
       {"Y"},
       {},
       {{"10.5", "11.5", "10", "12"}}},
      {"Derivative", {Ticked("X", "1;3;2"), {"Dt", "0.5"}}, {"Y"}, {}, {{"0", "4", "-2"}}},
      {"LowPass", {Ticked("X", "0;1;1"), {"TimeConstant", "1"}, {"Dt", "1"}}, {"Y"}, {},
       {{"0", "0.5", "0.75"}}},
      {"MovingAverage", {Ticked("X", "3;5;7;9"), {"Window", "2"}}, {"Y"}, {},
       {{"3", "4", "6", "8"}}},
      {"RateLimiter", {Ticked("X", "0;10;10;-1"), {"Rate", "4"}}, {"Y"}, {},
       {{"0", "4", "8", "4"}}},
      {"Hysteresis", {Ticked("X", "0.5;2;0.5;-1;0.5"), {"Low", "0"}, {"High", "1"}}, {"Q"},
       {rkBool}, {{"false", "true", "true", "false", "false"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, SourcesAreTheSameEachRun) {
  ExpectTable({"Constant", {{"Value", "2.5"}}, {"Y"}, {}, {{"2.5", "2.5"}}});
  ExpectTable({"Clock",
               {{"Dt", "0.5"}, {"Period", "2"}},
               {"Tick", "Time", "Pulse"},
               {rkInt, rkDouble, rkBool},
               {{"1", "2", "3"}, {"0.5", "1", "1.5"}, {"false", "true", "false"}}});
  const TRows a = RunTicks("Random", {{"Seed", "7"}, {"Low", "-1"}, {"High", "1"}}, {"Value"}, 50);
  const TRows b = RunTicks("Random", {{"Seed", "7"}, {"Low", "-1"}, {"High", "1"}}, {"Value"}, 50, true);
  const TRows other = RunTicks("Random", {{"Seed", "8"}, {"Low", "-1"}, {"High", "1"}}, {"Value"}, 50);
  EXPECT_EQ(Column(a), Column(b));
  EXPECT_NE(Column(a), Column(other));
  std::set<std::string> distinct;
  for (const std::string& v : Column(a)) {
    EXPECT_GE(std::stod(v), -1);
    EXPECT_LT(std::stod(v), 1);
    distinct.insert(v);
  }
  EXPECT_GT(distinct.size(), 45u);
  EXPECT_EQ(Column(RunTicks("Sequence", {{"Values", "a; b ;c"}, {"Repeat", "true"}},
                       {"Value", "Index", "Done"}, 4)),
            (TColumn{"a", "b", "c", "a"}));
  const TRows held = RunTicks("Sequence", {{"Values", "1;2"}}, {"Value", "Index", "Done"}, 3);
  EXPECT_EQ(Column(held, 0), (TColumn{"1", "2", "2"}));
  EXPECT_EQ(Column(held, 2), (TColumn{"false", "true", "true"}));
}

TEST(StandardLibrary, TextsAndFormulas) {
  EXPECT_EQ(Column(RunTicks("FormatNumber", {Ticked("X", "21.5;0.1"), {"Decimals", "2"}, {"Unit", "°C"}},
                       {"Text"}, 2)),
            (TColumn{"21.50 °C", "0.10 °C"}));
  EXPECT_EQ(Column(RunTicks("FormatNumber", {{"X", "0.1"}}, {"Text"}, 1)), (TColumn{"0.1"}));
  const TRows parsed = RunTicks("ParseNumber", {Ticked("Text", " 2,5 ;abc;1e3")}, {"Value", "Valid"}, 3);
  EXPECT_EQ(Column(parsed, 0), (TColumn{"2.5", "0", "1000"}));
  EXPECT_EQ(Column(parsed, 1), (TColumn{"true", "false", "true"}));
  EXPECT_EQ(Column(RunTicks("Concat", {{"A", "x"}, {"Separator", " = "}, Ticked("B", "1;2")}, {"Text"}, 2)),
            (TColumn{"x = 1", "x = 2"}));
  // A formula over X, Y and Z; one that cannot be read gives nan and Valid false, and the run
  // goes on.
  const TRows formula = RunTicks("Expression",
                            {Ticked("Formula", "2*X + Y^2;X > Y ? Z : -Z;sin(;min(X,Y,Z)"),
                             {"X", "3"}, {"Y", "4"}, {"Z", "1.5"}},
                            {"Result", "Valid"}, 4);
  EXPECT_EQ(Column(formula, 0), (TColumn{"22", "-1.5", "nan", "1.5"}));
  EXPECT_EQ(Column(formula, 1), (TColumn{"true", "true", "false", "true"}));
}

TEST(StandardLibrary, CsvWrittenIsReadBackRowByRow) {
  TTempFolder folder;
  const std::string file = (folder.Path / "out.csv").string();
  const TRows written = RunTicks("CsvWriter",
                            {{"File", file}, {"Header", "a,b,c,d"}, Ticked("A", "1;2;3"),
                             {"B", "x,y"}, {"C", "say \"hi\""}},
                            {"Rows", "Ok"}, 3);
  EXPECT_EQ(Column(written, 0), (TColumn{"1", "2", "3"}));
  EXPECT_EQ(Column(written, 1), (TColumn{"true", "true", "true"}));
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(file)),
            "a,b,c,d\n1,\"x,y\",\"say \"\"hi\"\"\",\n2,\"x,y\",\"say \"\"hi\"\"\",\n"
            "3,\"x,y\",\"say \"\"hi\"\"\",\n");
  const TRows read = RunTicks("CsvReader", {{"File", file}, {"SkipHeader", "true"}},
                         {"A", "B", "C", "D", "Row", "End"}, 4);
  EXPECT_EQ(Column(read, 0), (TColumn{"1", "2", "3", "3"}));
  EXPECT_EQ(Column(read, 1), (TColumn{"x,y", "x,y", "x,y", "x,y"}));
  EXPECT_EQ(Column(read, 2), (TColumn{"say \"hi\"", "say \"hi\"", "say \"hi\"", "say \"hi\""}));
  EXPECT_EQ(Column(read, 4), (TColumn{"1", "2", "3", "3"}));
  EXPECT_EQ(Column(read, 5), (TColumn{"false", "false", "false", "true"}));
  const TRows again =
      RunTicks("CsvReader", {{"File", file}, {"SkipHeader", "true"}, {"Repeat", "true"}}, {"A"}, 5);
  EXPECT_EQ(Column(again), (TColumn{"1", "2", "3", "1", "2"}));
  // A file that cannot be written is said so in the outputs; the run goes on.
  const TRows refused =
      RunTicks("CsvWriter", {{"File", (folder.Path / "no" / "x.csv").string()}, {"A", "1"}},
          {"Rows", "Ok"}, 2);
  EXPECT_EQ(Column(refused, 1), (TColumn{"false", "false"}));
}
