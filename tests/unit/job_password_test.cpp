// The password out of sight: the -p word blanked at once, and every copy
// lodrun holds wiped once the attach has used it.
#include <cstring>
#include <string>

#include "job/password.h"
#include "job_fixture.h"

TEST_F(JobTest, Password_SwitchWordIsBlankedAndTheCopyWipedAfterUse) {
  char word[] = "s3cret";
  takePasswordArgument(word);
  EXPECT_EQ(std::string(word, sizeof word), std::string(sizeof word, '\0'));
  ASSERT_NE(job.password, nullptr);
  EXPECT_STREQ(job.password, "s3cret");
  const char *copy = job.password;
  wipePassword();
  EXPECT_EQ(job.password, copy);  // still set: the report shows "********"
  EXPECT_EQ(std::string(copy, 6), std::string(6, '\0'));
}

TEST_F(JobTest, Password_OptionsLineLeavesNoCopyBehindLaterLines) {
  setLine("options db=x.fdb passwd=hunter22 direction=i");
  ASSERT_EQ(parseOptions(), 0);
  EXPECT_STREQ(job.password, "hunter22");
  setLine("insert");  // shorter: the old line's tail stays
  wipePassword();
  const std::string input(job.inputBuffer, kBufferSize);
  const std::string field(job.fieldBuffer, kBufferSize);
  EXPECT_EQ(input.find("hunter22"), std::string::npos);
  EXPECT_EQ(field.find("hunter22"), std::string::npos);
  EXPECT_STREQ(job.inputBuffer, "insert");

  // A password that is no copy of lodrun's own is left alone.
  static char environment[] = "fromenv";
  job.password = environment;
  wipePassword();
  EXPECT_STREQ(environment, "fromenv");
}
