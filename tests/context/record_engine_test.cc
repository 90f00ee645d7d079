#include "context/record_engine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "context/app_context.h"
#include "support/engines.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez {
namespace {

class RecordEngineTest : public ::testing::Test {
 protected:
  RecordEngineTest() {
    context_.AppDir = app_dir_.path();
    context_.log_echo = [this](std::string_view message) { log_.emplace_back(message); };
  }
  void WriteIni(const std::string& engine_section) {
    std::ofstream(app_dir_ / "KEZDataAggregator.ini", std::ios::binary)
        << "[Log]\r\nSaveLog=N\r\n[Engine]\r\n"
        << engine_section;
  }

  testing::TempDir app_dir_;
  testing::ScriptedHost host_;
  AppContext context_{host_};
  std::vector<std::string> log_;
};

TEST_F(RecordEngineTest, TheSettingsChooseAndOneLogLineSaysWhichEngineServesAndWhy) {
  const std::string shim = testing::ShimLibraryPath();
  struct Case {
    std::string ini;
    std::optional<EngineUse> option;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"Use=installed\r\nLibrary=" + shim + "\r\n", std::nullopt,
       "Record engine: installed (" + shim + ")"},
      {"Use=Auto\r\nLibrary=" + shim + "\r\n", std::nullopt,
       "Record engine: installed (" + shim + ")"},
      {"Library=/nonexistent/lib.so\r\n", std::nullopt,
       "Record engine: built-in (no installed engine found)"},
      // The option wins over Use=.
      {"Use=installed\r\nLibrary=" + shim + "\r\n", EngineUse::kBuiltIn,
       "Record engine: built-in (chosen in the settings)"},
      {"Use=built-in\r\nLibrary=" + shim + "\r\n", EngineUse::kInstalled,
       "Record engine: installed (" + shim + ")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    WriteIni(c.ini);
    log_.clear();
    context_.engine_use = c.option;
    std::string error;
    ASSERT_TRUE(UseRecordEngine(context_, &error)) << error;
    EXPECT_EQ(log_, std::vector<std::string>{c.line});
    // The handles made from now on read through the engine the line names.
    const bool installed = c.line.rfind("Record engine: installed", 0) == 0;
    EXPECT_EQ(context_.pos.engine->Name(), installed ? "installed (" + shim + ")" : "built-in");
  }
}

TEST_F(RecordEngineTest, AnEngineAskedForAndMissingOrAMistypedUseIsAnErrorNotAFallback) {
  const auto before = context_.pos.engine;
  WriteIni("Use=installed\r\nLibrary=/nonexistent/lib.so\r\n");
  std::string error;
  EXPECT_FALSE(UseRecordEngine(context_, &error));
  EXPECT_NE(error.find("/nonexistent/lib.so"), std::string::npos) << error;
  EXPECT_EQ(log_, std::vector<std::string>{error});
  EXPECT_EQ(context_.pos.engine, before);

  WriteIni("Use=always\r\n");
  log_.clear();
  EXPECT_FALSE(UseRecordEngine(context_, &error));
  EXPECT_NE(error.find("[Engine] Use=always is none of auto, built-in, installed"),
            std::string::npos)
      << error;
  // The command line's value replaces the mistyped one.
  context_.engine_use = EngineUse::kBuiltIn;
  EXPECT_TRUE(UseRecordEngine(context_, &error));
}

}  // namespace
}  // namespace kez
