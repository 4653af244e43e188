// Built-in pages: small, plain, in Chinese like the service's own, declared as GB2312 because they go
// out in code page 936.
#include "sim/service/pages.h"

namespace sim::service {

namespace {

core::String Page(std::string_view title, std::string_view body) {
    std::string html = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                       "<title>";
    html.append(title).append("</title></head><body>").append(body).append("</body></html>\r\n");
    return core::FromUtf8(html);
}

} // namespace

core::String BuiltInPage(std::string_view name) {
    if (name == "top.htm")
        return Page("欢迎", "<h3>游戏加速 · 稳定低延迟</h3><p>演示服务：请使用演示帐户登录。</p>");
    if (name == "news.htm")
        return Page("公告", "<ul><li>演示节点已全部上线。</li><li>新增华东、华南线路。</li></ul>");
    if (name == "about.htm")
        return Page("用户须知", "<p>本服务仅用于游戏加速，请遵守当地法律法规。</p>");
    if (name == "help.htm")
        return Page("帮助中心", "<p>无法连接时请更换一条线路，或改用L2TP连接方式。</p>");
    if (name == "user_self_new.php")
        return Page("注册帐户", "<form method=\"post\"><p>用户名：<input name=\"UserID\"></p>"
                                "<p>密码：<input name=\"Upassword\" type=\"password\"></p>"
                                "<p>演示服务不开放注册。</p></form>");
    if (name == "useradmin")
        return Page("帐户管理", "<p>帐户充值与修改密码：演示服务中不可用。</p>");
    return {};
}

} // namespace sim::service
