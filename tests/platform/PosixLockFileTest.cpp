// The two steps of taking the lock file on Linux, with another process's delete and release
// falling between them.
#ifndef _WIN32
#include "platform/posix/PosixLockFile.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/Platform.h"
#include "support/TempFolder.h"

namespace {

TEST(PosixLockFileTest, FreshPathIsTakenInTwoSteps) {
    CTempFolder folder;
    const std::string lock = folder.File("events.lock");
    const CPosixFd fd = CPosixLockFile::Open(lock);
    ASSERT_TRUE(fd.IsValid());
    EXPECT_TRUE(CPosixLockFile::Take(fd, lock));
    EXPECT_EQ(CPlatform::Default().OpenFile(lock, EFileOpen::Lock), nullptr);
}

// A contender opens the lock file while its holder still has it; the holder deletes it and
// lets go. What the contender then locks has no name any more: it must not count as the lock,
// whether a third process has meanwhile made a new lock file or not, and the new lock file
// must stay where it is.
TEST(PosixLockFileTest, LockOnAFileThatLostItsNameIsRefused) {
    for (const bool recreated : {true, false}) {
        SCOPED_TRACE(recreated ? "new lock file made by a third process" : "no new lock file");
        CTempFolder folder;
        const std::string lock = folder.File("events.lock");
        std::unique_ptr<CFile> holder = CPlatform::Default().OpenFile(lock, EFileOpen::Lock);
        ASSERT_NE(holder, nullptr);
        const CPosixFd contender = CPosixLockFile::Open(lock);
        ASSERT_TRUE(contender.IsValid());

        ASSERT_TRUE(CPlatform::Default().DeleteFile(lock));
        holder.reset();
        std::unique_ptr<CFile> third;
        if (recreated) {
            third = CPlatform::Default().OpenFile(lock, EFileOpen::Lock);
            ASSERT_NE(third, nullptr);
        }

        EXPECT_FALSE(CPosixLockFile::Take(contender, lock));
        EXPECT_EQ(CTempFolder::Exists(lock), recreated);
    }
}

}  // namespace
#endif
