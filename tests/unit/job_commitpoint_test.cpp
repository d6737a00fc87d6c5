// Commit points: a failed write of the rejects ends the run before the
// commit (through the replaceable process exit), confirmed commits are
// counted, and a commit lost with the connection is reported as uncertain.
#include <ibase.h>

#include <cstdio>
#include <string>

#include "dblib/dbinternal.h"
#include "job/commitpoint.h"
#include "job/run.h"
#include "job_fixture.h"

namespace {

struct ProcessEnded {
  int status;
};

// abortRun ends in endProcess: here it unwinds back to the test instead.
class CommitPointTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    processExitHook = [](int status) { throw ProcessEnded{status}; };
    setStatus(0);
  }
  void TearDown() override {
    processExitHook = nullptr;
    setStatus(0);
  }
  static void setStatus(ISC_STATUS code) {
    statusVector[0] = isc_arg_gds;
    statusVector[1] = code;
    statusVector[2] = isc_arg_end;
  }
};

}  // namespace

TEST_F(CommitPointTest, FailedDiscardsWriteEndsTheRunBeforeTheCommit) {
  job.discardStream = std::fopen("/dev/full", "w");
  ASSERT_NE(job.discardStream, nullptr);
  std::fputs("x1,n\n", job.discardStream);
  job.rejectedCount = 1;
  job.recordCount = 100;
  int status = -1;
  const std::string text = printed([&] {
    try {
      makeRejectsDurable();
    } catch (const ProcessEnded &ended) {
      status = ended.status;
    }
  });
  EXPECT_EQ(status, 1);
  // The capture flushes every stream first, so the system's reason may be gone.
  const std::string reason = text.substr(0, text.find('\n'));
  EXPECT_TRUE(reason == "Lodrun #: could not write discards file </dev/full>: No space left on "
                        "device" ||
              reason == "Lodrun #: could not write discards file </dev/full>: a write failed")
      << reason;
  EXPECT_EQ(text.substr(reason.size()),
            "\nLodrun aborting due to fatal error(s), current record count: 100\n");
  std::fclose(job.discardStream);
  job.discardStream = nullptr;
}

TEST_F(CommitPointTest, ConfirmedCommitsCountAndALostOneIsUncertain) {
  const int before = recordsCommitted();
  job.recordCount = before + 500;
  makeRejectsDurable();
  // Still in flight: not counted yet.
  EXPECT_EQ(recordsCommitted(), before);
  confirmCommitPoint();
  EXPECT_EQ(recordsCommitted(), before + 500);

  // A refused commit (a constraint, say) is an ordinary failure.
  job.recordCount = before + 800;
  makeRejectsDurable();
  setStatus(isc_unique_key_violation);
  EXPECT_FALSE(ConnectionLost());
  EXPECT_EQ(printed([] { EXPECT_FALSE(reportUncertainCommit()); }), "");

  for (ISC_STATUS lost : {isc_network_error, isc_net_read_err, isc_lost_db_connection,
                          isc_att_shutdown}) {
    setStatus(lost);
    EXPECT_TRUE(ConnectionLost()) << lost;
  }
  // The lost code may come after a first cluster.
  statusVector[0] = isc_arg_gds;
  statusVector[1] = isc_io_error;
  statusVector[2] = isc_arg_string;
  statusVector[3] = reinterpret_cast<ISC_STATUS>("write");
  statusVector[4] = isc_arg_gds;
  statusVector[5] = isc_net_write_err;
  statusVector[6] = isc_arg_end;
  EXPECT_TRUE(ConnectionLost());
  const std::string text = printed([] { EXPECT_TRUE(reportUncertainCommit()); });
  const std::string from = std::to_string(before + 501), to = std::to_string(before + 800);
  EXPECT_EQ(text, "Lodrun: the database connection was lost while committing records " + from +
                      " to " + to + ": the outcome of that commit is unknown (300 records); " +
                      std::to_string(before + 500) + " records were committed before it\n");
  confirmCommitPoint();
}
