// Listing lines, name patterns and server addresses, without a server.
#include "transfer/ftp_listing.h"

#include <gtest/gtest.h>

#include "transfer/ftp_address.h"
#include "transfer/ftp_dir_list.h"

namespace kez {
namespace {

TEST(FtpListingLines, MlsdFactsGiveTypeSizeTimeAndName) {
  ListingEntry entry;
  ASSERT_TRUE(ParseMlsdLine(
      "modify=20260105093015.123;perm=radfwMT;size=1234;type=file;unique=8U1; sales extract.csv",
      &entry));
  EXPECT_EQ(entry.name, "sales extract.csv");
  EXPECT_EQ(entry.size, 1234u);
  EXPECT_EQ(entry.attributes, kAttributeNormal);
  EXPECT_EQ(entry.modified, (UtcDateTime{2026, 1, 5, 9, 30, 15}));

  ASSERT_TRUE(ParseMlsdLine("Type=dir;Modify=20250101000000; archive", &entry));
  EXPECT_EQ(entry.attributes, kAttributeDirectory);
  ASSERT_TRUE(ParseMlsdLine("type=file;perm=r;size=5;create=20240202020202; locked.txt", &entry));
  EXPECT_EQ(entry.attributes, kAttributeReadOnly);
  EXPECT_EQ(entry.created, (UtcDateTime{2024, 2, 2, 2, 2, 2}));

  EXPECT_FALSE(ParseMlsdLine("type=cdir;modify=20250101000000; .", &entry));
  EXPECT_FALSE(ParseMlsdLine("type=pdir; ..", &entry));
  EXPECT_FALSE(ParseMlsdLine("type=file;size=x1; bad", &entry));
  EXPECT_FALSE(ParseMlsdLine("no-blank-at-all", &entry));
}

TEST(FtpListingLines, UnixListLinesInTheirCommonShapes) {
  const UtcDateTime today{2026, 3, 10, 12, 0, 0};
  ListingEntry entry;
  ASSERT_TRUE(
      ParseListLine("-rw-r--r--   1 owner group   100000 Mar 09 14:58 a b.csv", today, &entry));
  EXPECT_EQ(entry.name, "a b.csv");
  EXPECT_EQ(entry.size, 100000u);
  EXPECT_EQ(entry.attributes, kAttributeNormal);
  EXPECT_EQ(entry.modified, (UtcDateTime{2026, 3, 9, 14, 58, 0}));

  // A date later in the year than today belongs to last year.
  ASSERT_TRUE(ParseListLine("-r--r--r-- 1 owner 12 Nov 30 08:00 old.txt", today, &entry));
  EXPECT_EQ(entry.modified, (UtcDateTime{2025, 11, 30, 8, 0, 0}));
  EXPECT_EQ(entry.attributes, kAttributeReadOnly);
  EXPECT_EQ(entry.size, 12u);

  ASSERT_TRUE(ParseListLine("drwxr-xr-x 2 o g 4096 Jan 05  2024 archive", today, &entry));
  EXPECT_EQ(entry.attributes, kAttributeDirectory);
  EXPECT_EQ(entry.modified, (UtcDateTime{2024, 1, 5, 0, 0, 0}));

  ASSERT_TRUE(ParseListLine("lrwxrwxrwx 1 o g 7 Mar 01 10:00 latest -> a.csv", today, &entry));
  EXPECT_EQ(entry.name, "latest");

  EXPECT_FALSE(ParseListLine("total 12", today, &entry));
  EXPECT_FALSE(ParseListLine("-rw-r--r-- 1 o g size Mar 01 10:00 x", today, &entry));
}

TEST(FtpListingLines, DosListLines) {
  ListingEntry entry;
  ASSERT_TRUE(ParseListLine("01-05-26  09:30PM              1234 KEZ Sales.csv", {}, &entry));
  EXPECT_EQ(entry.name, "KEZ Sales.csv");
  EXPECT_EQ(entry.size, 1234u);
  EXPECT_EQ(entry.modified, (UtcDateTime{2026, 1, 5, 21, 30, 0}));
  ASSERT_TRUE(ParseListLine("12-31-99  12:05AM       <DIR>          old", {}, &entry));
  EXPECT_EQ(entry.attributes, kAttributeDirectory);
  EXPECT_EQ(entry.modified, (UtcDateTime{1999, 12, 31, 0, 5, 0}));
}

TEST(FtpNamePattern, StarsAndQuestionMarks) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"", "anything", true},
      {"*.*", "no-dot", true},
      {"*", "", true},
      {"*.csv", "a.csv", true},
      {"*.csv", "a.csv.bak", false},
      {"KEZ*0001.csv", "KEZSales0001.csv", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"sales?extract.csv", "sales extract.csv", true},
      {"*a*a*b", "aaaaaaaaab", true},
      {"*a*a*b", "aaaaaaaaaa", false},
      {"A.CSV", "a.csv", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesNamePattern(c.pattern, c.name), c.matches) << c.pattern << " ~ " << c.name;
  }
}

TEST(FtpAddressText, SchemesHostsAndPorts) {
  FtpAddress address;
  ASSERT_TRUE(ParseFtpAddress("ftp.example.com", 0, &address));
  EXPECT_EQ(address.host, "ftp.example.com");
  EXPECT_EQ(address.port, 21);
  EXPECT_FALSE(address.tls);

  ASSERT_TRUE(ParseFtpAddress("FTPS://10.0.0.5:2121/", 0, &address));
  EXPECT_EQ(address.host, "10.0.0.5");
  EXPECT_EQ(address.port, 2121);
  EXPECT_TRUE(address.tls);

  ASSERT_TRUE(ParseFtpAddress("host:2121", 990, &address));
  EXPECT_EQ(address.port, 990);
  ASSERT_TRUE(ParseFtpAddress("[::1]:2121", 0, &address));
  EXPECT_EQ(address.host, "[::1]");
  EXPECT_EQ(address.port, 2121);
  ASSERT_TRUE(ParseFtpAddress("fe80::1", 0, &address));
  EXPECT_EQ(address.host, "fe80::1");

  for (const char* bad : {"", "ftp://", "host:", "host:0", "host:65536", "host:21x", "[::1"}) {
    EXPECT_FALSE(ParseFtpAddress(bad, 0, &address)) << bad;
  }
}

TEST(FtpRemotePaths, ResolvedAgainstTheCurrentFolderAndEscapedInUrls) {
  EXPECT_EQ(ResolveRemotePath("/", "a.csv"), "/a.csv");
  EXPECT_EQ(ResolveRemotePath("/out", "a.csv"), "/out/a.csv");
  EXPECT_EQ(ResolveRemotePath("/out", "/in/"), "/in");
  EXPECT_EQ(ResolveRemotePath("/out", ""), "/out");

  const FtpAddress address{"127.0.0.1", 2121, true};
  EXPECT_EQ(RemoteUrl(address, "/", true), "ftp://127.0.0.1:2121/%2F");
  EXPECT_EQ(RemoteUrl(address, "/out", true), "ftp://127.0.0.1:2121/%2Fout/");
  EXPECT_EQ(RemoteUrl(address, "/a b/#1?.csv", false), "ftp://127.0.0.1:2121/%2Fa%20b/%231%3F.csv");

  EXPECT_EQ(FolderFromPwdReply("257 \"/a \"\"b\"\"\" is the current directory."), "/a \"b\"");
  EXPECT_EQ(FolderFromPwdReply("257 no quotes"), "");
}

}  // namespace
}  // namespace kez
