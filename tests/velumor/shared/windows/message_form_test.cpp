#include "velumor/shared/windows/message_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "velumor/shared/component.h"
#include "windows_fixture.h"

namespace velumor::test {
namespace {

using platform::ui::EventLoop;

// The texts of the message windows open now, oldest first.
std::vector<std::string> openMessages() {
  std::vector<std::string> out;
  for (platform::ui::Form* f : platform::ui::allForms())
    if (f->name() == "MessageForm" && f->isLoaded()) out.push_back(f->ctl("MessageLabel").caption());
  return out;
}

platform::ui::Form* findMessage(const std::string& text) {
  for (platform::ui::Form* f : platform::ui::allForms())
    if (f->name() == "MessageForm" && f->isLoaded() && f->ctl("MessageLabel").caption() == text) return f;
  return nullptr;
}

using MessageFormTest = WindowsTest;

TEST_F(MessageFormTest, ShowsCaptionAndTextCentredOnTheScreen) {
  velumor::shared::windows::showMessageWindow("RQ4400 Coriolis", "read requested");
  platform::ui::Form* f = findMessage("read requested");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->visible());
  EXPECT_FALSE(f->isModal());
  EXPECT_EQ(f->caption(), "RQ4400 Coriolis");
  EXPECT_FLOAT_EQ(f->scaleWidth(), 4680);
  EXPECT_FLOAT_EQ(f->scaleHeight(), 1320);
  EXPECT_FLOAT_EQ(f->left(), (platform::ui::Screen::width() - f->width()) / 2);
  EXPECT_FLOAT_EQ(f->top(), (platform::ui::Screen::height() - f->height()) / 2);
  EXPECT_EQ(f->timer("MessageTimer").interval(), velumor::shared::windows::MessageForm::kLifeMs);
}

TEST_F(MessageFormTest, EachWindowClosesThreeSecondsAfterItsOwnOpening) {
  const auto liveBefore = velumor::shared::componentLiveCount().value();
  velumor::shared::windows::showMessageWindow("RQ4400", "first");
  EventLoop::instance().advance(1000);
  velumor::shared::windows::showMessageWindow("RQ4400", "second");
  EXPECT_EQ(openMessages(), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(velumor::shared::windows::openMessageWindowCount(), 2u);

  EventLoop::instance().advance(1999);  // 2999 ms after the first
  EXPECT_EQ(openMessages().size(), 2u);
  EventLoop::instance().advance(1);  // 3000 ms after the first
  EXPECT_EQ(openMessages(), std::vector<std::string>{"second"});

  EventLoop::instance().advance(999);  // 2999 ms after the second
  EXPECT_EQ(openMessages(), std::vector<std::string>{"second"});
  EventLoop::instance().advance(1);
  EXPECT_TRUE(openMessages().empty());
  EXPECT_EQ(velumor::shared::windows::openMessageWindowCount(), 0u);
  // Closed windows are gone, not merely hidden.
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), liveBefore);
}

TEST_F(MessageFormTest, ClosedByTheUserBeforeItsTimeLeavesNothingBehind) {
  const auto liveBefore = velumor::shared::componentLiveCount().value();
  velumor::shared::windows::showMessageWindow("RQ4400", "write activ");
  velumor::shared::windows::showMessageWindow("RQ4400", "successfully finished");
  platform::ui::Form* f = findMessage("write activ");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->userClose());
  EXPECT_EQ(openMessages(), std::vector<std::string>{"successfully finished"});
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), liveBefore + 1);
  EventLoop::instance().advance(velumor::shared::windows::MessageForm::kLifeMs);
  EXPECT_TRUE(openMessages().empty());
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), liveBefore);
}

TEST_F(MessageFormTest, WindowCreatedByHandKeepsItselfAliveUntilItCloses) {
  {
    auto window = platform::com::makeObject<velumor::shared::windows::MessageForm>();
    window->ensureLoaded();
    window->ctl("MessageLabel").setCaption("by hand");
    window->show();
  }  // the caller keeps no reference
  EXPECT_EQ(openMessages(), std::vector<std::string>{"by hand"});
  EventLoop::instance().advance(velumor::shared::windows::MessageForm::kLifeMs);
  EXPECT_TRUE(openMessages().empty());
}

}  // namespace
}  // namespace velumor::test
