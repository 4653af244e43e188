// The connect dialog's label-set texts on the host, which has no string table: the same texts as
// the program's resources hold.
#include "data/access/connectdialog.h"

namespace data {

namespace {

constexpr struct {
    int Id;
    const char16_t* Text;
} kTexts[] = {
    {100, u"Connect"},
    {101, u"User Name"},
    {102, u"Password"},
    {103, u"Server"},
    {104, u"Connect"},
    {105, u"Cancel"},
    {200, u"Ouverture de session"},
    {201, u"Nom utilisateur"},
    {202, u"Mot de passe"},
    {203, u"Serveur"},
    {204, u"Ok"},
    {205, u"Annuler"},
    {300, u"Anmeldung"},
    {301, u"Benutzername"},
    {302, u"Kennwort"},
    {303, u"Host-Zeichenfolge"},
    {304, u"Ok"},
    {305, u"Abbrechen"},
    {400, u"Connessione"},
    {401, u"Nome Utente"},
    {402, u"Parola d'ordine"},
    {403, u"Stringa Conn.Host"},
    {404, u"Ok"},
    {405, u"Elimina"},
    {500, u"Rejestracja"},
    {501, u"Uiytkowhik"},
    {502, u"Hasio"},
    {503, u"Opis hosta"},
    {504, u"Ok"},
    {505, u"Anuluj"},
    {600, u"Iniciar Sessão"},
    {601, u"Nome do Usuário"},
    {602, u"Senha"},
    {603, u"Servidor"},
    {604, u"Ok"},
    {605, u"Cancelar"},
    {0, u"Соединение"},
    {1, u"Имя"},
    {2, u"Пароль"},
    {3, u"Сервер"},
    {4, u"Соединить"},
    {5, u"Отмена"},
    {700, u"Conectar"},
    {701, u"Usuario"},
    {702, u"Clave"},
    {703, u"Cadena Conexiyn"},
    {704, u"Ok"},
    {705, u"Cancelar"},
};

} // namespace

String LoadLabelSetText(int Id)
{
    for (const auto& text : kTexts) {
        if (text.Id == Id)
            return String(text.Text).substr(0, 49);
    }
    return {};
}

} // namespace data
