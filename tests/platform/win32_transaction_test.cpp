// What a transactional installation asks of Windows itself: the setup mutex, registry values of any
// type kept exactly, files held by another program reported as in use.
#if defined(_WIN32)

#include "platform/win32/windows_api.h"
// (the API's headers before the seam's, see windows_api.h)
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "peer.h"
#include "platform/exception.h"
#include "platform/win32/win32_platform.h"
#include "support/test_support.h"

namespace vurerode::platform::win32 {
namespace {

using namespace std::chrono_literals;

TEST(Win32SetupLock, AnotherHolderExcludesUntilItLetsGoOrDies) {
  Win32Platform win;
  std::promise<void> taken, letGo;
  std::thread holder([&] {
    auto lock = win.AcquireSetupLock(0ms);
    ASSERT_TRUE(lock);
    taken.set_value();
    letGo.get_future().wait();
  });
  taken.get_future().wait();
  EXPECT_FALSE(win.AcquireSetupLock(0ms));
  letGo.set_value();
  EXPECT_TRUE(win.AcquireSetupLock(60s));  // released when the holder's lock went away
  holder.join();

  // A holder that ends without letting go abandons the mutex: the next setup takes it.
  std::unique_ptr<SetupLock> ofADeadThread;
  std::thread([&] { ofADeadThread = win.AcquireSetupLock(0ms); }).join();
  ASSERT_TRUE(ofADeadThread);
  EXPECT_TRUE(win.AcquireSetupLock(60s));
}

class Win32ValueTest : public ::testing::Test {
 protected:
  void TearDown() override { win.registry().DeleteKeyTree(RegistryRoot::CurrentUser, "Software\\Vurerode Test"); }
  Win32Platform win;
};

// Strings are kept as the registry holds them, in UTF-16.
TEST_F(Win32ValueTest, EveryTypeReadsBackExactlyAndAsRegShowsIt) {
  auto units = [](std::u16string s) {
    std::vector<uint8_t> out;
    for (char16_t u : s) out.insert(out.end(), {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)});
    return out;
  };
  const struct {
    const char* name;
    RegistryValueData value;
    const char* reg;  // what reg query prints for it; none where its output's code page cannot show it
  } kValues[] = {
      {"Text", {kRegTypeSz, units(std::u16string(u"abc", 4))}, "Text    REG_SZ    abc"},
      {"Expand",
       {kRegTypeExpandSz, units(std::u16string(u"%WINDIR%\\x", 11))},
       "Expand    REG_EXPAND_SZ    %WINDIR%\\x"},
      {"Blob", {kRegTypeBinary, {0x00, 0x01, 0xFF, 0x0D, 0x0A}}, "Blob    REG_BINARY    0001FF0D0A"},
      {"Multi", {kRegTypeMultiSz, units(std::u16string(u"a\0bc\0\0", 6))}, "Multi    REG_MULTI_SZ    a\\0bc"},
      {"Number", {kRegTypeDword, {0x04, 0x03, 0x02, 0x01}}, "Number    REG_DWORD    0x1020304"},
      {"Empty", {kRegTypeBinary, {}}, "Empty    REG_BINARY"},
      {"Zażółć Ελληνικά", {kRegTypeSz, units(std::u16string(u"Привет 日本 \U0001F680", 13))}, nullptr},
      {"Odd", {kRegTypeSz, {0x61, 0x00, 0x62}}, nullptr},
  };
  auto key = win.registry().CreateKey(RegistryRoot::CurrentUser, "Software\\Vurerode Test\\Values");
  ASSERT_TRUE(key);
  for (const auto& v : kValues) key->WriteValue(v.name, v.value);
  auto reg = test::RunWindowsTool("reg query \"HKCU\\Software\\Vurerode Test\\Values\"");
  ASSERT_TRUE(reg);
  for (const auto& v : kValues) {
    SCOPED_TRACE(v.name);
    EXPECT_EQ(key->ReadValue(v.name), v.value);
    if (v.reg) {
      EXPECT_NE(reg->output.find(v.reg), std::string::npos) << reg->output;
    }
  }
  EXPECT_EQ(key->ReadString("Text"), "abc");
  EXPECT_EQ(key->ReadString("Zażółć Ελληνικά"), "Привет 日本 🚀");
  EXPECT_EQ(key->ReadString("Odd"), "a");
  EXPECT_EQ(key->ReadValue("missing"), std::nullopt);
}

TEST(Win32FilesInUse, AFileHeldWithoutSharingIsInUseNotMerelyUncreatable) {
  test::ScratchDir scratch;
  Win32Platform win;
  const std::string held = scratch.str() + "\\held.dll";
  win.fs().CreateFile(held);
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_THROW(win.fs().CreateFile(held), EFileInUse);
  CloseHandle(h);
  EXPECT_NO_THROW(win.fs().CreateFile(held));
  try {
    win.fs().CreateFile(scratch.str() + "\\missing\\x.dll");
    ADD_FAILURE() << "created below a missing folder";
  } catch (const EFileInUse&) {
    ADD_FAILURE() << "a missing folder is no file in use";
  } catch (const EFCreateError&) {
  }
}

}  // namespace
}  // namespace vurerode::platform::win32

#endif  // _WIN32
