#pragma once
// What every remote file system must do, whatever its protocol: cases run
// against a connected RemoteFs whose working directory is `root` on this
// machine's disk, so each case checks the server's files themselves.

#include "remotefs/remote_fs.h"

#include <QString>

namespace kavtest {

struct FsUnderTest {
    kav::RemoteFs &fs;
    QString root;   // the local path of the login directory
};

// The cases; each reports its failures through gtest.
void listsEntriesWithTheirFacts(FsUnderTest t);
void changesAndReportsDirectories(FsUnderTest t);
void makesRenamesAndRemoves(FsUnderTest t);
void refusesWhatCannotBe(FsUnderTest t);
void changesModeAndTimes(FsUnderTest t);
void readsFromAnOffset(FsUnderTest t);
void writesWholeAtAnOffsetAndAppending(FsUnderTest t);
void stopsAListingAndGoesOn(FsUnderTest t);
void declinesDataBeforeItFlows(FsUnderTest t);

} // namespace kavtest
