// The password kept out of sight (off the process list, read from a private
// file only), and a command file that cannot be read reported as such.
#include <signal.h>
#include <sys/stat.h>

#include <string>
#include <thread>

#include "background.h"
#include "load_fixture.h"

TEST_F(LoadRun, Secrets_PasswordSwitchIsBlankedInTheProcessList) {
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  writeFile(dir.file("run.cmd"), "options db=" + db + " user=SYSDBA direction=i delimiter=, "
                                 "variables=2 file=pipe\ninsert into p values (?, ?)\n");
  // The run waits for its data on the FIFO, attached with the password.
  BackgroundRun load(lodrunBinary(), {"-x", "run.cmd", "-p", "masterkey"}, dir.path(),
                     dir.file("out.txt"), dir.file("err.txt"));
  std::string cmdline;
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    cmdline = readFile("/proc/" + std::to_string(load.pid()) + "/cmdline");
    if (cmdline.find("run.cmd") != std::string::npos) break;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  cmdline = readFile("/proc/" + std::to_string(load.pid()) + "/cmdline");
  EXPECT_NE(cmdline.find("-p"), std::string::npos);
  EXPECT_EQ(cmdline.find("masterkey"), std::string::npos);
  load.signal(SIGTERM);
  EXPECT_EQ(load.wait(10), 1);
  EXPECT_EQ(readFile(dir.file("out.txt")),
            "Lodrun stopped by SIGTERM: work since the last commit rolled back, 0 records "
            "committed\r\n");
}

TEST_F(LoadRun, Secrets_PasswordFileMustBePrivate) {
  writeFile(dir.file("secret"), "masterkey\r\nsecond line\n");
  const std::string load = "options db=" + db + " user=SYSDBA passwd_file=secret direction=i "
                           "delimiter=, variables=2\ninsert into p values (?, ?)\nSTARTDATA\n1,a\n";
  ASSERT_EQ(chmod(dir.file("secret").c_str(), 0600), 0);
  run(load);
  EXPECT_EQ(out, summary(1, 0, 0));
  EXPECT_EQ(exitCode, 0);

  // The switch reads the same file; readable by the group it is refused.
  isql(db, "delete from p;");
  writeFile(dir.file("run.cmd"), "options db=" + db + " user=SYSDBA direction=i delimiter=, "
                                 "variables=2\ninsert into p values (?, ?)\nSTARTDATA\n2,b\n");
  RunResult r = runLodrun({"-w", "secret", "-x", "run.cmd"}, "", {}, dir.path());
  EXPECT_EQ(withoutLineNumbers(r.out), summary(1, 0, 0));
  ASSERT_EQ(chmod(dir.file("secret").c_str(), 0640), 0);
  r = runLodrun({"-w", "secret", "-x", "run.cmd"}, "", {}, dir.path());
  EXPECT_EQ(withoutLineNumbers(r.out),
            "Lodrun #: warning: password file <secret> is readable by group or others - "
            "ignored\r\n"
            "User/Password must be supplied in options or command line\r\n");
  EXPECT_EQ(r.exitCode, 1);

  ASSERT_EQ(chmod(dir.file("secret").c_str(), 0604), 0);
  run(load);
  EXPECT_EQ(out, "Lodrun #: warning: password file <secret> is readable by group or others - "
                 "ignored\r\n"
                 "User/Password must be supplied in options or command line\r\n");
  EXPECT_EQ(exitCode, 1);
  // Whoever may write it may choose the password.
  for (const mode_t mode : {0602, 0620}) {
    ASSERT_EQ(chmod(dir.file("secret").c_str(), mode), 0);
    run(load);
    EXPECT_EQ(out, "Lodrun #: warning: password file <secret> is writable by group or others - "
                   "ignored\r\n"
                   "User/Password must be supplied in options or command line\r\n");
  }
  EXPECT_EQ(rows("select id from p"), (std::vector<std::string>{"2"}));
}

TEST_F(LoadRun, Secrets_UnreadableCommandFileIsAReadErrorNotAnEmptyOne) {
  const RunResult r = runLodrun({"-x", dir.path()}, "", {}, dir.path());
  EXPECT_EQ(withoutLineNumbers(r.out), "Lodrun #: could not read command file <" + dir.path() +
                                           ">: Is a directory\r\n" + aborted(0, false));
  EXPECT_EQ(r.exitCode, 1);
}
