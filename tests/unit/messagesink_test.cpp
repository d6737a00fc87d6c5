// The message sink: while standard output is held, what is written to it
// waits in order; released ranges reach standard output as written, the rest
// is dropped, and other streams are never held.
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "common/messagesink.h"

namespace {

// What `write` puts on standard output's descriptor. Nothing may be checked
// inside: a failure's report would be captured too.
template <typename Write>
std::string standardOutputOf(Write write) {
  FILE *file = std::tmpfile();
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  dup2(fileno(file), STDOUT_FILENO);
  write();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string text;
  std::rewind(file);
  char piece[4096];
  for (size_t n; (n = std::fread(piece, 1, sizeof piece, file)) > 0;) text.append(piece, n);
  std::fclose(file);
  return text;
}

TEST(MessageSink, HeldOutputIsReleasedInOrderAndTheRestDropped) {
  FILE *other = std::tmpfile();
  const std::string longText(3000, 'x');  // past the formatting buffer
  long firstEnd = 0, secondEnd = 0;
  const std::string whileHeld = standardOutputOf([&] {
    printMessage(stdout, "before|");
    holdStandardOutput();
    printMessage(stdout, "first %d|", 1);
    writeMessage(stdout, "a\0b|", 4);  // raw bytes, a NUL among them
    firstEnd = heldOutputLength();
    printMessage(stdout, "%s|", longText.c_str());
    secondEnd = heldOutputLength();
    printMessage(stdout, "refused|");
    printMessage(other, "elsewhere");
    flushMessages(stdout);
    releaseHeldOutput(0, firstEnd);  // still held: nothing
  });
  EXPECT_EQ(whileHeld, "before|");
  EXPECT_TRUE(standardOutputHeld());

  const std::string released = standardOutputOf([&] {
    stopHoldingStandardOutput();
    releaseHeldOutput(0, firstEnd);
    printMessage(stdout, "between|");
    releaseHeldOutput(firstEnd, secondEnd);
  });
  EXPECT_EQ(released, std::string("first 1|a\0b|between|", 20) + longText + "|");

  holdStandardOutput();  // a new hold starts empty
  EXPECT_EQ(heldOutputLength(), 0);
  stopHoldingStandardOutput();

  std::rewind(other);
  char text[16] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text - 1, other), 9u);
  EXPECT_STREQ(text, "elsewhere");
  std::fclose(other);
}

}  // namespace
