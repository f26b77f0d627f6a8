// Exit ends the whole process at once with code 0, also during a watch.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <vector>

namespace {

TEST(ExitTest, EndsTheProcessWithCodeZero) {
  const std::vector<const char*> states = {
      "idle",      // right after start-up
      "watching",  // no summary box, no Stop
  };
  for (const char* state : states) {
    SCOPED_TRACE(state);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(LIRABEL_EXIT_HELPER), {QString(state)});
    ASSERT_TRUE(child.waitForStarted(10000));
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    // 3: the summary box was shown; 4: Exit returned.
    EXPECT_EQ(child.exitCode(), 0);
  }
}

}  // namespace
