// The run command as a process: exit status and messages for unusable input, rows on standard output, the
// settings saved after the run, and the cooperative stop on SIGTERM.
#ifdef KC_COURIER_PATH

#include "config/config_store.h"
#include "ecshop/sandbox/sandbox_shop.h"
#include "sites/site_list.h"
#include "support/temp_dir.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using kc::text::FromUtf8;

// The command started with its output on pipes.
class Courier {
public:
    explicit Courier(const std::vector<std::string>& args)
    {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<std::string> all{KC_COURIER_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, KC_COURIER_PATH, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~Courier()
    {
        if (m_pid > 0 && !m_waited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }
    Courier(const Courier&) = delete;
    Courier& operator=(const Courier&) = delete;

    // Reads output until until(stdout so far) holds or both pipes end; false when 20 s pass first.
    bool ReadUntil(const std::function<bool(const std::string&)>& until)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool outOpen = true;
        bool errOpen = true;
        while ((outOpen || errOpen) && !until(out)) {
            const auto left
                = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
            if (poll(fds, 2, static_cast<int>(left.count())) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP)))
                    continue;
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0)
                    (i == 0 ? outOpen : errOpen) = false;
                else
                    (i == 0 ? out : err).append(buffer, static_cast<size_t>(n));
            }
        }
        return true;
    }
    int Wait()
    {
        ReadUntil([](const std::string&) { return false; });
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_waited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    void Signal(int signal) { kill(m_pid, signal); }

    std::string out;
    std::string err;

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_waited = false;
};

TEST(RunCommand, UnusableInputGivesOneLineAndStatus2)
{
    kc::test::TempDir empty;
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"run", "--home", (empty.Path() / "missing").string()}, "does not exist"},
        {{"run", "--home", empty.Path().string()}, "no settings file"},
        {{"run", "--sites", "x"}, "--sites needs a number"},
        {{"run", "--bogus"}, "unknown option"},
    };
    for (const auto& c : cases) {
        Courier courier(c.args);
        EXPECT_EQ(courier.Wait(), 2) << c.says;
        EXPECT_NE(courier.err.find(c.says), std::string::npos) << courier.err;
        EXPECT_EQ(std::count(courier.err.begin(), courier.err.end(), '\n'), 1) << courier.err;
        EXPECT_TRUE(courier.out.empty());
    }
}

class RunCommandHome : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_shop.Start()); }

    // A run directory with one site on the shop: count articles, inline custom titles used once each.
    void WriteHome(int articles, float interval)
    {
        const std::filesystem::path folder = m_home.Path() / "articles";
        std::filesystem::create_directories(folder);
        for (int i = 1; i <= articles; ++i)
            kc::test::WriteFileBytes(folder / ("a" + std::to_string(i) + ".txt"), "Body " + std::to_string(i));
        kc::sites::SiteConfig site;
        site.enabled = true;
        site.domain = "127.0.0.1:" + std::to_string(m_shop.Port());
        site.adminDir = "admin";
        site.user = "admin";
        site.password = "admin123";
        site.securityCode.clear();
        site.articleDir = kc::text::InternalPath(folder);
        site.fileFilter = "*.txt";
        site.categoryIds = "4";
        site.intervalMin = site.intervalMax = interval;
        site.customTitles = true;
        site.customTitlesDelete = true;
        site.customTitlesInOrder = true;
        std::string titles;
        for (int i = 1; i <= articles + 1; ++i)
            titles += (i > 1 ? "\r\n" : "") + FromUtf8("标题") + std::to_string(i);
        site.customTitlesSource = titles;
        kc::sites::SiteList list;
        list.Append(site);
        kc::config::ConfigStore store;
        store.Open(kc::text::InternalPath(m_home.Path() / "Kestrune Courier.ini"), kc::config::OpenMode::InMemory);
        ASSERT_TRUE(kc::sites::SaveSites(store, list));
        ASSERT_TRUE(store.Save());
    }

    std::string SavedTitles()
    {
        kc::config::ConfigStore store;
        store.Open(kc::text::InternalPath(m_home.Path() / "Kestrune Courier.ini"), kc::config::OpenMode::InMemory);
        store.SelectSection(kc::sites::SiteSection(1));
        return store.ReadText(FromUtf8("指定标题数据"));
    }

    kc::ecshop::SandboxShop m_shop;
    kc::test::TempDir m_home;
};

TEST_F(RunCommandHome, PrintsRowsAsUtf8AndSavesTheWriteBack)
{
    WriteHome(2, 0);
    Courier courier({"run", "--home", m_home.Path().string(), "--access-method", "2"});
    EXPECT_EQ(courier.Wait(), 0) << courier.err;
    EXPECT_NE(courier.out.find("\t全局\t站群更新开始，当前时间点是："), std::string::npos) << courier.out;
    EXPECT_NE(courier.out.find("已成功更新 2 篇文章[分类:4]标题2"), std::string::npos) << courier.out;
    EXPECT_NE(courier.out.find("更新完成！总更新了 2 篇文章，更新耗费 "), std::string::npos);
    // Two titles used: the third is what the settings file keeps.
    EXPECT_EQ(SavedTitles(), FromUtf8("标题3"));
}

TEST_F(RunCommandHome, SigtermStopsTheRunWithItsSummary)
{
    WriteHome(40, 0.05f);
    Courier courier({"run", "--home", m_home.Path().string(), "--access-method", "2"});
    ASSERT_TRUE(
        courier.ReadUntil([](const std::string& out) { return out.find("已成功更新 1 篇") != std::string::npos; }));
    courier.Signal(SIGTERM);
    EXPECT_EQ(courier.Wait(), 130);
    EXPECT_NE(courier.out.find("正在停止中.."), std::string::npos);
    EXPECT_NE(courier.out.find("已强制全部停止更新"), std::string::npos);
    EXPECT_NE(courier.out.find("\t全局\t总更新了 "), std::string::npos);
    EXPECT_EQ(courier.out.find("已成功更新 40 篇"), std::string::npos);
    // The titles the stopped run used are gone from the saved list, the others kept.
    const std::string saved = SavedTitles();
    EXPECT_EQ(saved.find(FromUtf8("标题1\r\n")), std::string::npos);
    EXPECT_NE(saved.find(FromUtf8("标题41")), std::string::npos);
}

} // namespace

#endif
