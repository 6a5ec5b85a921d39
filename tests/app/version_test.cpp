#include "app/version.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(Version, OnlyTheProgramsOwnExecutableCarriesTheVersion) {
  EXPECT_EQ(VersionFor(QStringLiteral("/opt/varnel/varnel")).toStdString(), VARNEL_TEST_VERSION);
  EXPECT_EQ(VersionFor(QStringLiteral("/opt/varnel/varnel.exe")), QStringLiteral("**"));
  EXPECT_EQ(VersionFor(QStringLiteral("/opt/varnel/app_tests")), QStringLiteral("**"));
  EXPECT_EQ(VersionFor(QStringLiteral("/opt/varnel/Varnel")), QStringLiteral("**"));
  InitVersionString();  // this test program is not Varnel
  EXPECT_EQ(VersionString(), QStringLiteral("**"));
}

}  // namespace
}  // namespace varnel
