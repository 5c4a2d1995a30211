#include "app/input_choice.h"

#include <gtest/gtest.h>

namespace tavrel::input_choice {
namespace {

TEST(InputChoiceTest, SessionKindTimesRequestTimesDeviceAccess) {
  constexpr Session kX11 = Session::kX11, kWayland = Session::kWayland, kNone = Session::kNoDisplay;
  constexpr BackEnd kXTest = BackEnd::kXTest, kUinput = BackEnd::kUinput;
  const std::string denied = "no access to /dev/uinput: Permission denied";
  enum class Says { kNothing, kXTestInstead, kNothingReached };
  struct Row {
    Session session;
    Request request;
    bool access;
    bool tried;  // the devices are tried at all
    BackEnd backEnd;
    Says says;
    bool box;
  };
  const Row rows[] = {
      {kX11, Request::kAuto, true, false, kXTest, Says::kNothing, false},
      {kX11, Request::kAuto, false, false, kXTest, Says::kNothing, false},
      {kX11, Request::kXTest, true, false, kXTest, Says::kNothing, false},
      {kX11, Request::kUinput, true, true, kUinput, Says::kNothing, false},
      {kX11, Request::kUinput, false, true, kXTest, Says::kXTestInstead, true},
      {kWayland, Request::kAuto, true, true, kUinput, Says::kNothing, false},
      // The Wayland notice says it in its box.
      {kWayland, Request::kAuto, false, true, kXTest, Says::kXTestInstead, false},
      {kWayland, Request::kXTest, true, false, kXTest, Says::kNothing, false},
      {kWayland, Request::kUinput, false, true, kXTest, Says::kXTestInstead, false},
      {kNone, Request::kAuto, true, true, kUinput, Says::kNothing, false},
      {kNone, Request::kAuto, false, true, kXTest, Says::kNothingReached, false},
      {kNone, Request::kXTest, true, false, kXTest, Says::kNothing, false},
      {kNone, Request::kUinput, false, true, kXTest, Says::kNothingReached, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "session " << static_cast<int>(row.session) << ", request "
                                    << static_cast<int>(row.request) << ", access " << row.access);
    EXPECT_EQ(WantsUinput(row.session, row.request), row.tried);
    const Decision got = Choose(row.session, row.request, row.access ? "" : denied);
    EXPECT_EQ(got.backEnd, row.backEnd);
    EXPECT_EQ(got.showBox, row.box);
    switch (row.says) {
      case Says::kNothing:
        EXPECT_EQ(got.message, "");
        break;
      case Says::kXTestInstead:
        EXPECT_EQ(got.message.rfind(denied, 0), 0u) << got.message;
        EXPECT_NE(got.message.find("XTest instead"), std::string::npos) << got.message;
        break;
      case Says::kNothingReached:
        EXPECT_NE(got.message.find("reach nothing"), std::string::npos) << got.message;
        break;
    }
  }
}

}  // namespace
}  // namespace tavrel::input_choice
