// The connect dialog component against a registry in memory: label sets, the login values and the
// server history kept in the registry (with the fallback path), Execute's saving and restoring of
// the connection's login values, and the connection's use of the dialog.
#include "data/access/connectdialog.h"

#include "core/stringlist.h"
#include "data/access/test/logintesting.h"
#include "data/storage/recordstore.h"

#include <gtest/gtest.h>

using namespace data;
using namespace data::testing;
using core::String;

namespace {

const String kHistory = u"Software\\Tamsel\\ClientTests\\Connect";
const String kLogin = u"Software\\Tamsel\\ClientTests\\Connect\\";

std::vector<String> Lines(const core::Strings& List)
{
    std::vector<String> lines;
    for (int i = 0; i < List.Count(); ++i)
        lines.push_back(List[i]);
    return lines;
}

TEST(ConnectDialog, DefaultsAndTheTextsOfEveryLabelSet)
{
    TCustomConnectDialog dialog;
    EXPECT_EQ(dialog.Retries(), 3);
    EXPECT_FALSE(dialog.SavePassword());
    EXPECT_TRUE(dialog.StoreLogInfo());
    EXPECT_TRUE(dialog.UseServerHistory());
    EXPECT_TRUE(dialog.NeedConnect());
    EXPECT_EQ(dialog.LabelSet(), lsEnglish);
    EXPECT_EQ(dialog.Connection(), nullptr);

    const struct {
        TLabelSet Set;
        std::vector<String> Texts;
    } cases[] = {
        {lsEnglish, {u"Connect", u"User Name", u"Password", u"Server", u"Connect", u"Cancel"}},
        {lsFrench, {u"Ouverture de session", u"Nom utilisateur", u"Mot de passe", u"Serveur", u"Ok", u"Annuler"}},
        {lsGerman, {u"Anmeldung", u"Benutzername", u"Kennwort", u"Host-Zeichenfolge", u"Ok", u"Abbrechen"}},
        {lsItalian, {u"Connessione", u"Nome Utente", u"Parola d'ordine", u"Stringa Conn.Host", u"Ok", u"Elimina"}},
        {lsPolish, {u"Rejestracja", u"Uiytkowhik", u"Hasio", u"Opis hosta", u"Ok", u"Anuluj"}},
        {lsPortuguese, {u"Iniciar Sessão", u"Nome do Usuário", u"Senha", u"Servidor", u"Ok", u"Cancelar"}},
        {lsRussian, {u"Соединение", u"Имя", u"Пароль", u"Сервер", u"Соединить", u"Отмена"}},
        {lsSpanish, {u"Conectar", u"Usuario", u"Clave", u"Cadena Conexiyn", u"Ok", u"Cancelar"}},
    };
    for (const auto& c : cases) {
        dialog.SetLabelSet(c.Set);
        EXPECT_EQ(dialog.LabelSet(), c.Set);
        EXPECT_EQ((std::vector<String>{dialog.Caption(), dialog.UsernameLabel(), dialog.PasswordLabel(),
                                       dialog.ServerLabel(), dialog.ConnectButton(), dialog.CancelButton()}),
                  c.Texts);
    }
    // A value without texts of its own reads the English ones.
    EXPECT_EQ(LabelSetTextId(TLabelSet(42), 5), 105);
}

TEST(ConnectDialog, WritingATextSwitchesToCustomAndALabelSetRestoresAllSix)
{
    TCustomConnectDialog dialog;
    dialog.SetCaption(u"登录");
    EXPECT_EQ(dialog.LabelSet(), lsCustom);
    EXPECT_EQ(dialog.Caption(), u"登录");
    dialog.SetLabelSet(lsCustom);
    EXPECT_EQ(dialog.Caption(), u"登录");  // custom loads nothing
    dialog.SetLabelSet(lsGerman);
    EXPECT_EQ(dialog.Caption(), u"Anmeldung");
    EXPECT_EQ(dialog.CancelButton(), u"Abbrechen");

    // Texts read from a stream keep the label set.
    dialog.BeginLoad();
    dialog.SetServerLabel(u"Host");
    EXPECT_EQ(dialog.LabelSet(), lsGerman);
}

TEST(ConnectDialog, SuccessfulServerGoesFirstInTheHistoryWithoutItsOlderCopy)
{
    MemoryRegistryGuard registry;
    registry.Hive->Keys[kHistory] = {{u"Server 1", u"B"}, {u"Server 2", u"A"}, {u"Server 3", u"C"}};
    TLoginConnection connection;
    TTestConnectDialog dialog;
    dialog.SetConnection(&connection);
    connection.SetServer(u"a");
    dialogutils::SaveServerListToRegistry(dialog);
    core::StringList list;
    dialog.LoadServerList(list);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"B", u"C"}));

    // Entries past the new count stay as they were; an empty server saves nothing.
    registry.Hive->Keys[kHistory][u"Server 4"] = u"old";
    connection.SetServer(u"");
    dialog.SaveServerList();
    EXPECT_EQ(registry.Hive->Keys[kHistory].size(), 4u);
}

TEST(ConnectDialog, HistoryThatCannotBeOpenedLeavesTheListAlone)
{
    MemoryRegistryGuard registry;
    registry.Hive->Locked.insert(kHistory);
    TTestConnectDialog dialog;
    core::StringList list;
    list.Add(u"kept");
    dialog.LoadServerList(list);
    EXPECT_EQ(Lines(list), std::vector<String>{u"kept"});
    dialog.GetServerList(list);
    EXPECT_EQ(Lines(list), std::vector<String>{u"kept"});
}

TEST(ConnectDialog, ReadingFallsBackToTheOtherMakersPathWritingUsesTheFirst)
{
    MemoryRegistryGuard registry;
    registry.Hive->Keys[u"Software\\Vornick\\ClientTests\\Connect"] = {{u"Server 1", u"legacy"}};
    TTestConnectDialog dialog(u"Software\\TAMSEL\\ClientTests\\");
    core::StringList list;
    dialog.LoadServerList(list);
    EXPECT_EQ(Lines(list), std::vector<String>{u"legacy"});

    TLoginConnection connection;
    dialog.SetConnection(&connection);
    connection.SetServer(u"new");
    dialog.SaveServerList();
    EXPECT_EQ(registry.Hive->Keys[u"Software\\TAMSEL\\ClientTests\\Connect"],
              (std::map<String, String>{{u"Server 1", u"new"}, {u"Server 2", u"legacy"}}));
}

TEST(ConnectDialog, ExecuteWithoutConnectionOrDisplay)
{
    TCustomConnectDialog dialog;
    try {
        dialog.Execute();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Connection is not defined");
    }
    MemoryRegistryGuard registry;
    registry.Hive->Keys[kLogin] = {{u"Username", u"stored"}, {u"Server", u"db"}};
    TLoginConnection connection;
    connection.SetUsername(u"scott");
    connection.SetPassword(u"tiger");
    TTestConnectDialog test;
    test.SetConnection(&connection);
    EXPECT_FALSE(test.Execute());
    EXPECT_EQ(connection.GetUsername(), u"scott");
    EXPECT_EQ(connection.Password(), u"tiger");
    EXPECT_EQ(connection.GetServer(), u"");
}

TEST(ConnectDialog, ExecuteHandsTheStoredLoginToTheDisplayAndStoresASuccess)
{
    const struct {
        const char16_t* Typed;     // the connection's user name before Execute
        bool SavePassword;
        const char16_t* Shown;     // the password the display sees
    } cases[] = {
        {u"scott", false, u""},      // outside a design environment the password is not kept
        {u"scott", true, u"tiger"},  // kept on request
        {u"other", true, u""},       // a stored user name that differs clears it
    };
    for (const auto& c : cases) {
        MemoryRegistryGuard registry;
        registry.Hive->Keys[kLogin] = {{u"Username", u"SCOTT"}, {u"Server", u"db"}};
        TLoginConnection connection;
        connection.SetUsername(c.Typed);
        connection.SetPassword(u"tiger");
        TTestConnectDialog dialog;
        dialog.SetConnection(&connection);
        dialog.SetSavePassword(c.SavePassword);
        String shownUser, shownPassword, shownServer;
        DialogProcGuard proc([&](TCustomConnectDialog& d) {
            shownUser = d.Connection()->GetUsername();
            shownPassword = d.Connection()->Password();
            shownServer = d.Connection()->GetServer();
            d.Connection()->SetServer(u"db2");
            d.Connection()->SetPassword(u"pw");
            return true;
        });
        EXPECT_TRUE(dialog.Execute());
        EXPECT_EQ(shownUser, u"SCOTT");
        EXPECT_EQ(shownPassword, c.Shown) << core::ToUtf8(c.Typed) << c.SavePassword;
        EXPECT_EQ(shownServer, u"db");
        // The login values stay in the connection and go to the registry, never the password.
        EXPECT_EQ(connection.GetServer(), u"db2");
        EXPECT_EQ(registry.Hive->Keys[kLogin], (std::map<String, String>{{u"Username", u"SCOTT"}, {u"Server", u"db2"}}));
        EXPECT_EQ(registry.Hive->Keys[kHistory], (std::map<String, String>{{u"Server 1", u"db2"}}));
    }
}

TEST(ConnectDialog, DesignHostLoadsStoredValuesOnlyForAnEmptyUserName)
{
    MemoryRegistryGuard registry;
    ApplicationTitleProc = [](String& Title) { Title = u"Designer 7"; };
    DesignHostTitles = {u"designer"};
    const String key = kLogin + u"Designer 7";
    registry.Hive->Keys[key] = {{u"Username", u"stored"}};
    TLoginConnection connection;
    connection.SetUsername(u"typed");
    connection.SetPassword(u"pw");
    TTestConnectDialog dialog;
    dialog.SetConnection(&connection);
    String shownUser, shownPassword;
    DialogProcGuard proc([&](TCustomConnectDialog& d) {
        shownUser = d.Connection()->GetUsername();
        shownPassword = d.Connection()->Password();
        return false;
    });
    dialog.Execute();
    EXPECT_EQ(shownUser, u"typed");
    EXPECT_EQ(shownPassword, u"pw");  // a design environment keeps it
    connection.SetUsername(u"");
    dialog.Execute();
    EXPECT_EQ(shownUser, u"stored");
    DesignHostTitles.clear();
    ApplicationTitleProc = nullptr;
}

TEST(ConnectDialog, RefusalOrFailureOfTheDisplayPutsTheLoginValuesBack)
{
    MemoryRegistryGuard registry;
    registry.Hive->Keys[kLogin] = {{u"Username", u"stored"}, {u"Server", u"db"}};
    TLoginConnection connection;
    connection.SetUsername(u"u");
    connection.SetPassword(u"p");
    connection.SetServer(u"s");
    TTestConnectDialog dialog;
    dialog.SetConnection(&connection);
    bool fail = false;
    DialogProcGuard proc([&](TCustomConnectDialog& d) {
        d.Connection()->SetPassword(u"typed");
        if (fail)
            throw core::Exception(u"display broke");
        return false;
    });
    for (bool f : {false, true}) {
        fail = f;
        if (f)
            EXPECT_THROW(dialog.Execute(), core::Exception);
        else
            EXPECT_FALSE(dialog.Execute());
        EXPECT_EQ(connection.GetUsername(), u"u");
        EXPECT_EQ(connection.Password(), u"p");
        EXPECT_EQ(connection.GetServer(), u"s");
    }
    EXPECT_EQ(registry.Hive->Keys.count(kHistory), 0u);
}

class TListEnumerator : public TCRServerEnumerator {
public:
    void GetServerList(core::Strings& List) override
    {
        List.Clear();
        List.Add(u"found");
    }
};

class TEnumeratingDialog : public TTestConnectDialog {
public:
    TCRServerEnumeratorClass ServerEnumeratorClass() const override
    {
        return []() -> std::unique_ptr<TCRServerEnumerator> { return std::make_unique<TListEnumerator>(); };
    }
};

TEST(ConnectDialog, ServerListFromTheEnumeratorOrTheHistory)
{
    MemoryRegistryGuard registry;
    registry.Hive->Keys[kHistory] = {{u"Server 1", u"hist"}};
    TEnumeratingDialog dialog;
    core::StringList list;
    dialog.GetServerList(list);
    EXPECT_EQ(Lines(list), std::vector<String>{u"hist"});
    EXPECT_EQ(dialog.ServerEnumerator(), nullptr);

    dialogutils::SetUseServerHistory(dialog, false);
    dialog.GetServerList(list);
    EXPECT_EQ(Lines(list), std::vector<String>{u"found"});
    TCRServerEnumerator* made = dialog.ServerEnumerator();
    dialog.GetServerList(list);
    EXPECT_EQ(dialog.ServerEnumerator(), made);  // of the provider's class already: kept

    // The provider-neutral enumerator lists nothing and the history answers.
    dialog.SetServerEnumerator(std::make_unique<TCRServerEnumerator>());
    core::StringList empty;
    TCRServerEnumerator().GetServerList(empty);
    EXPECT_EQ(empty.Count(), 0);
    core::Variant value;
    EXPECT_ANY_THROW(TCRServerEnumerator().SetProp(7, value));
    EXPECT_ANY_THROW(TCustomConnectDialog().ServerEnumeratorClass());
}

TEST(ConnectDialog, ConnectionPromptsThroughTheDialogOnlyWithADisplayInstalled)
{
    MemoryRegistryGuard registry;
    TLoginConnection plain;
    EXPECT_EQ(plain.ConnectDialogClass(), nullptr);

    int shown = 0;
    DialogProcGuard proc([&](TCustomConnectDialog& d) {
        ++shown;
        EXPECT_TRUE(dialogutils::GetNeedConnect(d));
        d.Connection()->SetPassword(u"secret");
        d.Connection()->PerformConnect();
        return true;
    });
    TLoginConnection connection;
    connection.SetUsername(u"scott");
    ASSERT_NE(connection.ConnectDialogClass(), nullptr);
    connection.Connect();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(registry.Hive->Keys[u"Connect\\"][u"Username"], u"scott");
}

} // namespace
