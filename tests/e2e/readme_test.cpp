// The examples of README.md do what README shows. Each example block there
// follows an HTML comment that says what the block is:
//   <!-- example: file NAME -->    the block is written to NAME
//   <!-- example: run -->          "$ PROGRAM ARGS" (lodrun, isql-fb or cmp),
//                                  then what it prints on standard output
//   <!-- example: output NAME -->  NAME holds exactly the block
// The blocks run in README order in one temp directory, as make demo runs
// them in build/demo; "/data/" in them stands for that directory. Printed CRs are left out before comparing
// (README cannot show them), nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport.h"

namespace {

struct ExampleBlock {
  std::string kind;     // file, run or output
  std::string name;     // the file of a file or output block
  std::string content;  // the fenced lines, each ended by '\n'
  int line = 0;         // README line of the marker, for failure messages
};

// The marked blocks of `readme`, in order.
std::vector<ExampleBlock> exampleBlocks(const std::string &readme) {
  std::vector<ExampleBlock> blocks;
  std::istringstream in(readme);
  std::string line;
  int number = 0;
  const std::string marker = "<!-- example: ";
  while (std::getline(in, line)) {
    ++number;
    if (line.compare(0, marker.size(), marker) != 0) continue;
    ExampleBlock block;
    block.line = number;
    std::istringstream words(line.substr(marker.size()));
    words >> block.kind >> block.name;
    if (block.name == "-->") block.name.clear();
    // The fence opens on the next line and closes at the next ``` line.
    if (!std::getline(in, line) || line.compare(0, 3, "```") != 0) {
      ADD_FAILURE() << "README line " << number << ": the marker is not followed by a fence";
      continue;
    }
    ++number;
    while (std::getline(in, line) && line.compare(0, 3, "```") != 0) {
      ++number;
      block.content += line + "\n";
    }
    ++number;
    blocks.push_back(block);
  }
  return blocks;
}

std::string replaceAll(std::string text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string withoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

class ReadmeExamples : public ::testing::Test {
 protected:
  std::string placed(const std::string &text) const {
    return replaceAll(text, "/data/", dir_.path() + "/");
  }
  std::string shownAs(const std::string &text) const {
    return replaceAll(withoutCarriageReturns(text), dir_.path() + "/", "/data/");
  }
  // Runs the "$ PROGRAM ARGS" line of a run block, compares what it printed.
  void run(const ExampleBlock &block) {
    const size_t end = block.content.find('\n');
    std::istringstream words(placed(block.content.substr(0, end)));
    std::string dollar, program;
    words >> dollar >> program;
    ASSERT_EQ(dollar, "$") << "README line " << block.line;
    std::vector<std::string> args;
    for (std::string word; words >> word;) args.push_back(word);
    RunResult result;
    if (program == "lodrun") {
      result = runLodrun(args, "", {}, dir_.path());
    } else if (program == "isql-fb" || program == "cmp") {
      result = runProgram("/usr/bin/" + program, args, "", {}, dir_.path());
    } else {
      FAIL() << "README line " << block.line << ": cannot run " << program;
    }
    EXPECT_EQ(result.exitCode, 0) << "README line " << block.line << "\n" << result.out << result.err;
    EXPECT_EQ(shownAs(result.out), block.content.substr(end + 1)) << "README line " << block.line;
  }

  TempDir dir_;
};

TEST_F(ReadmeExamples, PrintAndWriteWhatReadmeShows) {
  const std::vector<ExampleBlock> blocks =
      exampleBlocks(readFile(std::string(LODRUN_SOURCE_DIR) + "/README.md"));
  ASSERT_FALSE(blocks.empty()) << "README.md has no marked examples";
  for (const ExampleBlock &block : blocks) {
    if (block.kind == "file") {
      writeFile(dir_.file(block.name), placed(block.content));
    } else if (block.kind == "run") {
      run(block);
    } else if (block.kind == "output") {
      EXPECT_EQ(readFile(dir_.file(block.name)), block.content) << "README line " << block.line;
    } else {
      ADD_FAILURE() << "README line " << block.line << ": unknown example kind " << block.kind;
    }
  }
}

}  // namespace
