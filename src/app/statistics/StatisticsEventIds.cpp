#include "app/statistics/StatisticsEventIds.h"

const QStringList& StatisticsEventIds::table() {
    static const QStringList ids = {
        // Start and end.
        "start", "exit",
        // Version update choices.
        "Agreed to update", "Do not update", "Agreed to obligedforcibly update",
        // Location and city.
        "Successful positioning", "Positioning unsuccessful", "choose city_city",
        "nearby_bn_position",
        // Tabs.
        "communicate_show", "houses record_show", "home_show", "me_show",
        // Conversations, user centre and chat.
        "coumnicate_bn_message", "bn_usercenter_login", "bn_usercenter_regist",
        "bn_usercenter_not_login", "message_detail", "chat_bn_agent", "chat_houses_collect",
        "chat_bn_sendvoice", "chat_bn_playvoice", "chat_bn_picture", "chat_bn_houses",
        "chat_bn_callling", "chat_bn_deal", "deal_bn_confirm", "chat_bn_url", "chat_cancel_voice",
        "chat_Cmobilenumber_show", "chat_Bmobilenumber_show", "chat_Cmobilenumber_call",
        // Need publishing and SMS validation.
        "findhouses_bn_rent", "findhouses_bn_rentshare", "findhouses_bn_sold",
        "findhouses_choose_price0", "findhouses_bn_sendvoice", "bn_confirm_publish",
        "bn_concel_publish", "bn_cancel_button", "message_verification", "verification_bn_get",
        "verification_bn_send", "verification_send_success", "verification_bn_cancel",
        // City change, detail and remarks.
        "bn_change_city", "bn_house_detail", "house_list_remark", "house_detail_remark",
        "house_remark_confirm",
        // List and search.
        "tab_rent", "tab_sharerent", "tab_sold", "house_bn_search", "house_bn_next",
        "house_rent_detail", "house_rentshare_detail", "house_sold_detail",
        // Post detail, community and broker page.
        "house_bn_calling", "house_bn_xiaoqu1", "xiaoqu_bn_sold", "xiaoqu_bn_rent",
        "xiaoqu_bn_rentshare", "house_bn_xiaoqu2", "agentdetail_bn_im", "agentdetail_bn_calling",
        "agentdetail_bn_rent", "agentdetail_bn_rentshare", "agentdetail_bn_sold",
        "agentdetail_bn_houses", "agentdetail_bn_message",
        // Push settings.
        "pushopen_bn_close", "pushclose_bn_open", "remind_close_voice", "remind_close_shock",
        "remind_open_voice", "remind_open_shock",
        // Push messages.
        "pushmessage_show", "pushmessage_click", "pushmessage_notIM_show",
        "pushmessage_notIM_click",
        // Home screen.
        "home_findhouses", "home_findhouses_history", "home_goodhouses", "home_agentshop",
        "home_news", "home_news_new", "home_banner",
        // Broker-shop map.
        "agentshop_noresult", "agentshop_pin", "agentshop_positioning", "agentshop_agentshopdetail",
        "agentshop_call", "agentshop_agentshopdetail_agentdetail", "agentshop_agentshopdetail_chat",
        // News.
        "news_detail",
        // Subscription and broker replies.
        "subscribe_success", "subscribe_cancel", "subscribe_push_detail", "subscribe_list_clk",
        "subscribe_list_count", "subscribe_list_new_count", "subscribe_detail_respond_clk",
        "subscribe_detail_house_clk", "subscribe_detail_broker_clk", "subscribe_detail_pic_clk",
        "subscribe_detail_chat_clk", "subscribe_detail_fav_clk", "subscribe_detail_more_clk",
        // Map point picker of the need form.
        "findhouses_bn_onmap", "findhouses_onmap_done", "findhouses_onmap_cancel",
        // Photo viewer.
        "pviewer_download", "pviewer_fav", "pviewer_imchat", "pviewer_call",
        "pviewer_lastpage_show", "pviewer_lastpage_imchat", "pviewer_lastpage_call"};
    return ids;
}

QString StatisticsEventIds::at(int index) {
    return table().value(index);
}
