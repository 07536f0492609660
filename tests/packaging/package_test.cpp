// The Debian package as a user gets it: built, installed with apt, run from /usr/bin, purged.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string output;  // standard output and error
};

Result Shell(const std::string& command) {
  Result r;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

bool IsSet(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

// apt waits for other package managers instead of failing at once.
const std::string Apt = "DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=600 ";

struct PurgeAtExit {
  ~PurgeAtExit() { Shell(Apt + "purge kestrilo"); }
};

struct Folder {
  const fs::path path = fs::temp_directory_path() / ("kestrilo-package-" + std::to_string(::getpid()));
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

fs::path OnlyDeb(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".deb") return entry.path();
  return {};
}

std::vector<std::string> Expected(bool cli) {
  std::vector<std::string> paths = {"/usr/bin/kestrilo", "/usr/bin/kestrilo-devsim",
                                    "/usr/share/man/man1/kestrilo.1.gz",
                                    "/usr/share/man/man1/kestrilo-devsim.1.gz",
                                    "/usr/share/icons/hicolor/48x48/apps/kestrilo.png",
                                    "/usr/share/doc/kestrilo/copyright", "/usr/lib/udev/rules.d/60-kestrilo.rules"};
  if (cli) {
    paths.push_back("/usr/bin/kestrilo-cli");
    paths.push_back("/usr/share/man/man1/kestrilo-cli.1.gz");
  }
  return paths;
}

TEST(DebianPackage, InstallsRunsFromUsrBinAndPurgesWithoutTrace) {
  if (::geteuid() != 0 || !(IsSet("CI") || IsSet("KESTRILO_PACKAGE_TEST")))
    GTEST_SKIP() << "installs into the machine: runs only as root with CI or KESTRILO_PACKAGE_TEST set";
  if (Shell("dpkg-query -W -f='${Status}' kestrilo").output.find(" installed") != std::string::npos)
    GTEST_SKIP() << "a kestrilo package is installed already; the test does not replace it";

  const Folder dist;
  const Result built = Shell("KESTRILO_BUILD_DIR='" KESTRILO_BUILD_DIR "' KESTRILO_PACKAGE_DIR='" +
                             dist.path.string() + "' '" KESTRILO_SOURCE_DIR "/scripts/package' --no-build");
  ASSERT_EQ(built.status, 0) << built.output;  // lintian errors and invalid desktop files fail here

  PurgeAtExit purge;
  const Result installed = Shell(Apt + "install --no-install-recommends '" + OnlyDeb(dist.path).string() + "'");
  ASSERT_EQ(installed.status, 0) << installed.output;
  const std::vector<std::string> owned = Lines(Shell("dpkg-query -L kestrilo").output);
  for (const std::string& path : Expected(KESTRILO_PACKAGE_HAS_CLI))
    EXPECT_NE(std::find(owned.begin(), owned.end(), path), owned.end()) << path;

  const Result version = Shell("QT_QPA_PLATFORM=offscreen /usr/bin/kestrilo --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "Kestrilo " KESTRILO_VERSION "\n");
  const Result help = Shell("/usr/bin/kestrilo-devsim --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: kestrilo-devsim", 0), 0u) << help.output;
  if (KESTRILO_PACKAGE_HAS_CLI) {
    const Result cli = Shell("/usr/bin/kestrilo-cli --version");
    EXPECT_EQ(cli.status, 0);
    EXPECT_NE(cli.output.find(KESTRILO_VERSION), std::string::npos) << cli.output;
    devsim::Simulator sim(devsim::Options{});
    const Result search = Shell("KESTRILO_PORTS='" + sim.SlavePath() + "' /usr/bin/kestrilo-cli search");
    EXPECT_EQ(search.status, 0) << search.output;
    EXPECT_NE(search.output.find("Vorel-30415 Sound Player found on " + sim.SlavePath() + " (4 MB / 95 sec)"),
              std::string::npos)
        << search.output;
  }

  const Result purged = Shell(Apt + "purge kestrilo");
  ASSERT_EQ(purged.status, 0) << purged.output;
  EXPECT_NE(Shell("dpkg-query -W kestrilo").status, 0) << "dpkg still knows the package";
  for (const std::string& path : owned) {
    if (path == "/." || !fs::exists(path)) continue;
    // A folder may stay only while another package owns it too.
    EXPECT_TRUE(fs::is_directory(path) && Shell("dpkg-query -S '" + path + "'").status == 0) << path << " is left";
  }
}

}  // namespace
