#include <string>

#include "standin_fixture.h"
#include "update.h"

namespace {

using standin::Call;

constexpr char kFolder[] = "D:\\Drivers\\ZavoUSB";

class OemInf : public StandinTest {
 protected:
  void ExpectLibraryFreed() const { EXPECT_EQ(win32.librariesLoaded, win32.librariesFreed); }
};

TEST_F(OemInf, CopiesEachInfFromTheDriverFolderInOrder) {
  EXPECT_EQ(InstallOemInfFiles(kFolder), kResultSuccess);
  ASSERT_EQ(win32.setupCopyCount, 3U);
  const char* names[] = {"ZavoKQ2KDisk.inf", "ZavoKQAudio2K.inf", "ZavoKQUSB2K.inf"};
  for (std::size_t i = 0; i < 3; ++i) {
    const standin::SetupCopyCall& call = win32.setupCopies[i];
    EXPECT_EQ(call.source.view(), std::string(kFolder) + "\\" + names[i]);
    EXPECT_EQ(call.mediaLocation.view(), kFolder);
    EXPECT_EQ(call.mediaType, SPOST_PATH);
    EXPECT_EQ(call.copyStyle, 0U);
    // No destination name asked for: a null buffer of size 0.
    EXPECT_TRUE(call.destinationIsNull);
    EXPECT_EQ(call.destinationSize, 0U);
  }
  ExpectLibraryFreed();
}

// Only the system folder's copy of the library is trusted, and it is
// loaded once for the three files.
TEST_F(OemInf, LoadsTheSetupApiOnceFromTheSystemFolder) {
  InstallOemInfFiles(kFolder);
  EXPECT_EQ(win32.libraryPath.view(), "C:\\WINDOWS\\system32\\setupapi.dll");
  EXPECT_EQ(standin::CountCalls(Call::kLoadLibrary), 1U);
  EXPECT_EQ(standin::CountCalls(Call::kFreeLibrary), 1U);
}

TEST_F(OemInf, EveryFailureIsCodeSixteen) {
  struct Case {
    const char* name;
    void (*inject)(standin::State&);
    std::size_t copies;
    std::size_t loads;
  };
  const Case cases[] = {
      {"one copy refused", [](standin::State& s) { s.setupCopyFailures = 0b010; }, 3, 1},
      {"every copy refused", [](standin::State& s) { s.setupCopyFailures = 0b111; }, 3, 1},
      {"library missing", [](standin::State& s) { s.setupApiLoads = false; }, 0, 1},
      {"function missing", [](standin::State& s) { s.setupApiExports = false; }, 0, 1},
      {"no system folder", [](standin::State& s) { s.systemDirectoryResult = 0U; }, 0, 0},
      {"system folder too long", [](standin::State& s) { s.systemDirectoryResult = MAX_PATH; }, 0,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::Reset();
    c.inject(win32);
    EXPECT_EQ(InstallOemInfFiles(kFolder), kResultInfNotInstalled);
    EXPECT_EQ(win32.setupCopyCount, c.copies);
    EXPECT_EQ(standin::CountCalls(Call::kLoadLibrary), c.loads);
    ExpectLibraryFreed();
  }
}

TEST_F(OemInf, WithoutTheSetupApiNothingIsInstalled) {
  EXPECT_EQ(InstallOemInf(nullptr, kFolder, "ZavoKQ2KDisk.inf"), kResultInfNotInstalled);
}

// A source path that would not fit is not handed over cut short.
TEST_F(OemInf, RefusesASourcePathThatDoesNotFit) {
  const std::string longName(MAX_PATH, 'n');
  EXPECT_EQ(InstallOemInf(&SetupCopyOEMInfA, kFolder, longName.c_str()), kResultInfNotInstalled);
  EXPECT_EQ(win32.setupCopyCount, 0U);
}

TEST_F(OemInf, OneFailureDoesNotStopTheOthers) {
  SetList("A");
  win32.setupCopyFailures = 0b001;
  RunProgram();
  EXPECT_EQ(win32.setupCopyCount, 3U);
  ASSERT_EQ(win32.messageBoxCount, 1U);
  EXPECT_EQ(win32.messageBoxes[0].text.view(), "Update error. (code=16)");
}

}  // namespace
