#include "core/appconfig.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "fixtures.h"
#include "forecastpage.h"
#include "httpserver.h"
#include "media/iconconverter.h"
#include "media/weatherprobe.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class RecordingDisplay : public WeatherDisplay {
public:
    void setWeatherPicture(const std::string& jpegBytes) override {
        std::lock_guard lock(mutex);
        pictures.push_back(jpegBytes);
    }
    void setCountyCaption(const std::string& county) override {
        std::lock_guard lock(mutex);
        captions.push_back(county);
    }
    std::mutex mutex;
    std::vector<std::string> pictures;
    std::vector<std::string> captions;
};

std::string fixtureBytes(const char* name) {
    return readWholeFile(toFileName(fixture(name))).bytes;
}

class WeatherTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir.path() / "tp"); }
    WeatherProbe probe(const std::string& host) const {
        return WeatherProbe([] { return std::make_unique<CurlHttpClient>(); }, dir.path(), host, display);
    }
    RainForecast fetch(const std::string& countyUtf8 = "华容") {
        std::string county = gbkFromUtf8(countyUtf8);
        return probe(server.host()).fetch(county);
    }
    std::filesystem::path cached(const std::string& name) const { return dir.path() / "tp" / name; }

    TempDir dir;
    HttpServer server;
    std::shared_ptr<RecordingDisplay> display = std::make_shared<RecordingDisplay>();
};

TEST(ForecastScrape, RainAnywhereInTodaysDaytimeText) {
    struct Case {
        const char* text;
        RainForecast result;
    };
    for (const Case& c : {Case{"雨", RainForecast::Rain}, Case{"小雨", RainForecast::Rain},
                          Case{"雨转晴", RainForecast::Rain}, Case{"多云转阵雨", RainForecast::Rain},
                          Case{"阴有雨夹雪", RainForecast::Rain}, Case{"晴", RainForecast::Dry},
                          Case{"多云", RainForecast::Dry}, Case{"", RainForecast::Dry}}) {
        const ForecastMatch match = scrapeForecast(forecastPage("qing.", c.text));
        EXPECT_TRUE(match.matched) << c.text;
        EXPECT_EQ(match.dayText, gbkFromUtf8(c.text));
        EXPECT_EQ(rainResult(match), c.result) << c.text;
    }
    // The bytes of 雨 (D3 EA) across two other characters are no rain.
    ForecastMatch straddling;
    straddling.dayText = "\xB0\xD3\xEA\xA1";
    EXPECT_EQ(rainResult(straddling), RainForecast::Dry);
}

TEST(ForecastScrape, APageBuiltToBacktrackEndsAsNoMatchWhileAFarForecastIsFound) {
    std::string hostile;
    while (hostile.size() < 1024 * 1024)
        hostile += gbkFromUtf8("今天白天") + "180_180/a.png<li>";
    EXPECT_FALSE(scrapeForecast(hostile).matched); // ends, bounded by the search's time budget
    const ForecastMatch far = scrapeForecast(std::string(960 * 1024, 'x') + forecastPage("qing.", "小雨"));
    EXPECT_TRUE(far.matched);
    EXPECT_EQ(far.dayText, gbkFromUtf8("小雨"));
}

TEST(ForecastScrape, IconNamesThatCouldLeaveTheCacheCountAsNoMatch) {
    EXPECT_EQ(scrapeForecast(forecastPage("qing.", "晴")).iconName, "qing.");
    EXPECT_EQ(scrapeForecast(forecastPage("lei_zhen_yu2.", "晴")).iconName, "lei_zhen_yu2.");
    for (const std::string& hostile :
         {std::string("../../etc/passwd."), std::string("a/b."), std::string("a..b."),
          std::string(80, 'x') + ".", std::string("qing"), std::string("%2e%2e.")}) {
        const ForecastMatch match = scrapeForecast(forecastPage(hostile, "小雨"));
        EXPECT_FALSE(match.matched) << hostile;
        EXPECT_EQ(match.iconName, "");
        EXPECT_EQ(rainResult(match), RainForecast::Dry);
    }
}

TEST_F(WeatherTest, AShortPageIsNoAnswerAndChangesNothing) {
    server.respond("/search.php", forecastPage("qing.", "小雨", 29999));
    EXPECT_EQ(fetch(), RainForecast::Unknown);
    EXPECT_TRUE(display->pictures.empty());
    EXPECT_TRUE(display->captions.empty());
    EXPECT_EQ(server.requests().size(), 1u);

    server.respond("/search.php", forecastPage("qing.", "小雨", 30000));
    server.respond("/images/", fixtureBytes("weather_icon.png"));
    EXPECT_EQ(fetch(), RainForecast::Rain);
}

TEST_F(WeatherTest, ThePageEndsAtItsFirstZeroByte) {
    std::string page = forecastPage("qing.", "小雨", 60000);
    page[29990] = '\0';
    server.respond("/search.php", page);
    EXPECT_EQ(fetch(), RainForecast::Unknown);
    // Long enough before the zero byte, but the forecast lies after it: read, no match.
    std::string late = std::string(35000, ' ') + '\0' + forecastPage("qing.", "小雨");
    server.respond("/search.php", late);
    EXPECT_EQ(fetch(), RainForecast::Dry);
}

TEST_F(WeatherTest, RequestsAsTheServerSeesThem) {
    server.respond("/search.php", forecastPage("qing.", "晴"));
    server.respond("/images/", fixtureBytes("weather_icon.png"));
    EXPECT_EQ(fetch("华容#1"), RainForecast::Dry);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    // The county's GBK bytes, escaped one by one; "#" cannot cut the request short.
    EXPECT_TRUE(requests[0].starts_with("GET /search.php?f=1&c=1&city=%BB%AA%C8%DD%231&dpc=1 HTTP/1.0\r\n"))
        << requests[0];
    EXPECT_NE(requests[0].find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"),
              std::string::npos);
    EXPECT_NE(requests[0].find("\r\nPragma: no-cache\r\n"), std::string::npos);
    EXPECT_NE(requests[0].find("\r\nCache-Control: no-cache\r\n"), std::string::npos);
    EXPECT_NE(requests[0].find("\r\nAccept: */*\r\n"), std::string::npos);
    EXPECT_TRUE(requests[1].starts_with("GET /images/yb3/78_78/qing.png HTTP/1.0\r\n"));
}

TEST_F(WeatherTest, IconIsCachedConvertedShownAndFetchedOnce) {
    server.respond("/search.php", forecastPage("qing.", "晴"));
    server.respond("/images/", fixtureBytes("weather_icon.png"));
    EXPECT_EQ(fetch(), RainForecast::Dry);
    EXPECT_EQ(readWholeFile(cached("qing.PNG")).bytes, fixtureBytes("weather_icon.png"));
    const std::string jpeg = readWholeFile(cached("qing.JPG")).bytes;
    ASSERT_FALSE(jpeg.empty());
    ASSERT_EQ(display->pictures.size(), 1u);
    EXPECT_EQ(display->pictures[0], jpeg);
    EXPECT_EQ(display->captions, std::vector<std::string>{gbkFromUtf8("华容")});
    EXPECT_EQ(fetch(), RainForecast::Dry);
    EXPECT_EQ(server.requests().size(), 3u); // page, icon, page
    EXPECT_EQ(display->pictures.back(), jpeg);
}

TEST_F(WeatherTest, ZhenxueIsShownAsXiaoxue) {
    server.respond("/search.php", forecastPage("zhenxue.", "阵雪"));
    server.respond("/images/", fixtureBytes("weather_icon.png"));
    EXPECT_EQ(fetch(), RainForecast::Dry);
    EXPECT_EQ(server.requestLines().back(), "GET /images/yb3/78_78/xiaoxue.png HTTP/1.0");
    EXPECT_TRUE(fileExists(cached("xiaoxue.PNG")));
    EXPECT_TRUE(fileExists(cached("xiaoxue.JPG")));
    EXPECT_FALSE(fileExists(cached("zhenxue.PNG")));
}

TEST_F(WeatherTest, ASmallIconIsDiscarded) {
    server.respond("/search.php", forecastPage("yu.", "大雨"));
    server.respond("/images/", std::string(1000, 'x'));
    EXPECT_EQ(fetch(), RainForecast::Rain);
    EXPECT_FALSE(fileExists(cached("yu.PNG")));
    EXPECT_EQ(display->pictures, std::vector<std::string>{""}); // the picture is cleared
}

TEST_F(WeatherTest, APageThatDoesNotMatchClearsThePictureAndShowsTheCounty) {
    server.respond("/search.php", std::string(31000, 'a'));
    EXPECT_EQ(fetch(), RainForecast::Dry);
    EXPECT_EQ(server.requestLines().back(), "GET /images/yb3/78_78/png HTTP/1.0");
    EXPECT_EQ(display->pictures, std::vector<std::string>{""});
    EXPECT_EQ(display->captions, std::vector<std::string>{gbkFromUtf8("华容")});
}

TEST_F(WeatherTest, AHostileIconNameNeverLeavesTheCache) {
    server.respond("/search.php", forecastPage("../../escaped.", "晴"));
    server.respond("/images/", fixtureBytes("weather_icon.png"));
    EXPECT_EQ(fetch(), RainForecast::Dry);
    EXPECT_FALSE(fileExists(dir.path() / "escaped.PNG"));
    EXPECT_FALSE(fileExists(dir.path().parent_path() / "escaped.PNG"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "tp"))
        EXPECT_TRUE(entry.path().filename() == "PNG" || entry.path().filename() == "JPG") << entry.path();
}

TEST_F(WeatherTest, AClosedPortAnswersZeroAtOnce) {
    std::string county = gbkFromUtf8("华容");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(probe("127.0.0.1:1").fetch(county), RainForecast::Unknown);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(WeatherTest, AnEmptyCountyIsReplacedByTheSavedOne) {
    ASSERT_TRUE(
        AppConfig(dir.path()).write(settings::machineSection(), settings::countyKey(), gbkFromUtf8("岳阳")));
    server.respond("/search.php", forecastPage("qing.", "晴"));
    std::string county;
    probe(server.host()).fetch(county);
    EXPECT_EQ(county, gbkFromUtf8("岳阳"));
    EXPECT_NE(server.requests()[0].find("city=%D4%C0%D1%F4&"), std::string::npos);
}

TEST_F(WeatherTest, TheBackgroundRunUsesTheSavedCounty) {
    ASSERT_TRUE(
        AppConfig(dir.path()).write(settings::machineSection(), settings::countyKey(), gbkFromUtf8("岳阳")));
    server.respond("/search.php", forecastPage("qing.", "晴"));
    probe(server.host()).fetchInBackground();
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard lock(display->mutex);
            if (!display->captions.empty())
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(display->mutex);
    EXPECT_EQ(display->captions, std::vector<std::string>{gbkFromUtf8("岳阳")});
}

// libjpeg reports through longjmp here too, so a broken file fails the test instead of the process.
struct JpegFacts {
    bool ok = false;
    int width = 0, height = 0, components = 0;
    J_COLOR_SPACE space = JCS_UNKNOWN;
    std::vector<unsigned> lumaTable;
};

struct TestJpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

JpegFacts readJpeg(const std::string& bytes) {
    JpegFacts facts;
    jpeg_decompress_struct info{};
    TestJpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = [](j_common_ptr i) {
        std::longjmp(reinterpret_cast<TestJpegError*>(i->err)->jump, 1);
    };
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return facts;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    facts.width = static_cast<int>(info.image_width);
    facts.height = static_cast<int>(info.image_height);
    facts.components = info.num_components;
    facts.space = info.jpeg_color_space;
    if (info.quant_tbl_ptrs[0])
        facts.lumaTable.assign(info.quant_tbl_ptrs[0]->quantval, info.quant_tbl_ptrs[0]->quantval + DCTSIZE2);
    jpeg_destroy_decompress(&info);
    facts.ok = true;
    return facts;
}

std::vector<unsigned> lumaTableAtQuality(int quality) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    info.in_color_space = JCS_RGB;
    info.input_components = 3;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    std::vector<unsigned> table(info.quant_tbl_ptrs[0]->quantval,
                                info.quant_tbl_ptrs[0]->quantval + DCTSIZE2);
    jpeg_destroy_compress(&info);
    return table;
}

TEST_F(WeatherTest, TheJpegIsColourAtQualitySeventyFive) {
    for (const char* source : {"weather_icon.png", "weather_gray.png"}) {
        const auto target = dir.path() / "out.JPG";
        ASSERT_TRUE(convertPngToJpeg(toFileName(fixture(source)), target)) << source;
        const JpegFacts facts = readJpeg(readWholeFile(target).bytes);
        ASSERT_TRUE(facts.ok);
        EXPECT_EQ(facts.components, 3) << source;
        EXPECT_EQ(facts.space, JCS_YCbCr) << source;
        EXPECT_EQ(facts.lumaTable, lumaTableAtQuality(75)) << source;
        EXPECT_NE(facts.lumaTable, lumaTableAtQuality(76));
    }
    EXPECT_EQ(readJpeg(readWholeFile(dir.path() / "out.JPG").bytes).width, 40);
    ASSERT_TRUE(convertPngToJpeg(toFileName(fixture("weather_icon.png")), dir.path() / "icon.JPG"));
    const JpegFacts icon = readJpeg(readWholeFile(dir.path() / "icon.JPG").bytes);
    EXPECT_EQ(icon.width, 78);
    EXPECT_EQ(icon.height, 78);
}

TEST_F(WeatherTest, BrokenPngsConvertToNothing) {
    const auto target = dir.path() / "x.JPG";
    EXPECT_FALSE(convertPngToJpeg(dir.path() / "missing.PNG", target));
    ASSERT_TRUE(writeFileAtomic(dir.path() / "junk.PNG", std::string(5000, 'j')));
    EXPECT_FALSE(convertPngToJpeg(dir.path() / "junk.PNG", target));
    std::string truncated = fixtureBytes("weather_icon.png");
    truncated.resize(truncated.size() / 2);
    ASSERT_TRUE(writeFileAtomic(dir.path() / "half.PNG", truncated));
    EXPECT_FALSE(convertPngToJpeg(dir.path() / "half.PNG", target));
    EXPECT_FALSE(fileExists(target));
}

} // namespace
