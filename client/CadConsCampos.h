#pragma once

// The registration screen's fields as data, without any widget: one row per field with all that
// is not geometry. The editing model, the look-ups, the edit load, the consumer search's copy and
// the save walk this table; the form's layout table (CadConsDados.cpp) only places the controls.
namespace cadcons {

// The numbered input fields of the registration screen (each control's tag, the values of
// inLblAtiv), in the order Enter walks them, then the name displays beside the country,
// municipality and neighbourhood codes.
enum Campo : int {
    Cep = 1,
    NmConsumidor,
    DtNasc,
    Cpf,
    Identidade,
    Email,
    Telefone,
    Telefone2,
    Celular,
    TipoVenda,
    Endereco,
    Numero,
    Complemento,
    CodPais,
    Estado,
    CodMuni,
    Bairro,
    Referencia,
    NmPais,
    NmMuni,
    NmBairro,
};

constexpr int kNumCampos = Referencia;
constexpr int kNumTextos = NmBairro;

// What an append must start with.
enum class Aceita { Qualquer, Digitos, Data };

// Characters the key-press filter passes on besides backspace and digits. Letters are A-Z after
// the filter's own upper-casing; they travel on in lower case.
struct Teclado
{
    bool letras;
    const char16_t *outros;
};

inline constexpr Teclado kNenhum{false, u""};
inline constexpr Teclado kNome{true, u" ,./\\\u00E7\u00C7"};
inline constexpr Teclado kTexto{true, u" ,./\\\u00E7"};
inline constexpr Teclado kEmail{true, u" .@/\\\u00E7"};
inline constexpr Teclado kLetras{true, u""};
inline constexpr Teclado kData{false, u"/"};

// The check or look-up run when a field is left with Enter or Shift+Enter.
enum class Verificacao {
    Cep,
    DtNasc,
    Identidade,
    Telefone,
    Telefone2,
    Celular,
    Pais,
    Estado,
    Municipio,
    Bairro,
    Nenhuma,
};

// A leaving check, run only while field `seNaoVazio` holds something (0: always).
struct Saida
{
    Verificacao verificacao = Verificacao::Nenhuma;
    int seNaoVazio = 0;
};

// The reference list F9 and the field's list button open.
enum class Lista { Nenhuma, TipoVenda, Pais, Estado, Municipio, Bairro };

// A set of texts, by number.
constexpr unsigned bitTexto(int numero)
{
    return 1u << numero;
}

struct CampoDef
{
    int numero;
    const char *controle; // the control's name
    const char *legenda;  // its label, UTF-8
    // The column of CONSUMIDOR the field is loaded from (edit, search) and saved to; nullptr for
    // the sale type, which both keep by its code.
    const char *coluna;
    // A code's name display and the column it shows, in the consumer list and every look-up.
    int campoNome;
    const char *colunaNome;
    int maximo; // 0: no limit (the field is picked from a list)
    Aceita aceita;
    Teclado teclado;
    bool telefone; // shown in the telephone mask
    Saida avanca;  // the check on leaving with Enter
    Saida recua;   // the check on leaving with Shift+Enter
    Lista lista;
    unsigned dependentes; // texts emptied when a character of the field is deleted
};

// clang-format off
inline constexpr CampoDef kCampos[kNumCampos] = {
    {Cep, "bldCep", "CEP", "NRCEPCONS", 0, nullptr,
     8, Aceita::Digitos, kNenhum, false,
     {Verificacao::Cep, Cep}, {}, Lista::Nenhuma, 0},
    {NmConsumidor, "edtNmConsumidor", "Consumidor*", "NMCONSUMIDOR", 0, nullptr,
     50, Aceita::Qualquer, kNome, false,
     {}, {}, Lista::Nenhuma, 0},
    {DtNasc, "edtDtNasc", "Data Nascimento", "DTNASCCONS", 0, nullptr,
     10, Aceita::Data, kData, false,
     {Verificacao::DtNasc}, {Verificacao::DtNasc}, Lista::Nenhuma, 0},
    // Leaving the CPF backwards checks the identity number that follows it.
    {Cpf, "edtCpf", "CPF", "NRCPFRESPCON", 0, nullptr,
     11, Aceita::Digitos, kNenhum, false,
     {}, {Verificacao::Identidade, Identidade}, Lista::Nenhuma, 0},
    {Identidade, "bldIdentidade", "RG", "NRRGCONSUMID", 0, nullptr,
     10, Aceita::Qualquer, kTexto, false,
     {Verificacao::Identidade, Identidade}, {}, Lista::Nenhuma, 0},
    {Email, "bldEmail", "E-mail", "DSEMAILCONS", 0, nullptr,
     50, Aceita::Qualquer, kEmail, false,
     {}, {}, Lista::Nenhuma, 0},
    {Telefone, "bldTelefone", "Residencial /\nNº Quarto*", "NRTELECONS", 0, nullptr,
     13, Aceita::Digitos, kNenhum, true,
     {Verificacao::Telefone}, {Verificacao::Telefone}, Lista::Nenhuma, 0},
    {Telefone2, "edtTelefone2", "Comercial", "NRTELE2CONS", 0, nullptr,
     13, Aceita::Digitos, kNenhum, true,
     {Verificacao::Telefone2}, {Verificacao::Telefone2}, Lista::Nenhuma, 0},
    {Celular, "edtCelular", "Celular", "NRCELULARCONS", 0, nullptr,
     13, Aceita::Digitos, kNenhum, true,
     {Verificacao::Celular}, {Verificacao::Celular}, Lista::Nenhuma, 0},
    {TipoVenda, "edtTipoVenda", "Tipo de Venda", nullptr, 0, nullptr,
     0, Aceita::Qualquer, kNenhum, false,
     {}, {}, Lista::TipoVenda, 0},
    {Endereco, "edtEndereco", "Endereço*", "DSENDECONS", 0, nullptr,
     50, Aceita::Qualquer, kTexto, false,
     {}, {}, Lista::Nenhuma, 0},
    {Numero, "edtNumero", "Número*", "NRENDECONS", 0, nullptr,
     5, Aceita::Qualquer, kLetras, false,
     {}, {}, Lista::Nenhuma, 0},
    {Complemento, "bldComplemento", "Compl", "DSCOMPLENDECONS", 0, nullptr,
     50, Aceita::Qualquer, kTexto, false,
     {}, {}, Lista::Nenhuma, 0},
    {CodPais, "edtCodPais", "País", "CDPAIS", NmPais, "NMPAIS",
     4, Aceita::Digitos, kNenhum, false,
     {Verificacao::Pais}, {Verificacao::Pais}, Lista::Pais,
     bitTexto(NmPais) | bitTexto(Estado) | bitTexto(CodMuni) | bitTexto(NmMuni) |
         bitTexto(Bairro) | bitTexto(NmBairro)},
    {Estado, "edtEstado", "Estado", "SGESTADO", 0, nullptr,
     2, Aceita::Qualquer, kTexto, false,
     {Verificacao::Estado, Estado}, {Verificacao::Estado, Estado}, Lista::Estado,
     bitTexto(CodMuni) | bitTexto(NmMuni) | bitTexto(Bairro) | bitTexto(NmBairro)},
    {CodMuni, "edtCodMuni", "Município", "CDMUNICIPIO", NmMuni, "NMMUNICIPIO",
     4, Aceita::Digitos, kTexto, false,
     {Verificacao::Municipio, CodMuni}, {Verificacao::Municipio, CodMuni}, Lista::Municipio,
     bitTexto(Bairro) | bitTexto(NmBairro)},
    {Bairro, "edtBairro", "Bairro", "CDBAIRRO", NmBairro, "NMBAIRRO",
     10, Aceita::Digitos, kTexto, false,
     {Verificacao::Bairro, Bairro}, {Verificacao::Bairro, Bairro}, Lista::Bairro,
     bitTexto(NmBairro)},
    {Referencia, "bldReferencia", "Referência", "DSREFERENDECONS", 0, nullptr,
     250, Aceita::Qualquer, kTexto, false,
     {}, {}, Lista::Nenhuma, 0},
};
// clang-format on

constexpr bool camposEmOrdem()
{
    for (int i = 0; i < kNumCampos; ++i) {
        if (kCampos[i].numero != i + 1)
            return false;
    }
    return true;
}
// A field without its row would silently accept nothing and save nothing.
static_assert(camposEmOrdem(), "kCampos holds one row per field, in number order");

constexpr bool campoValido(int numero)
{
    return numero >= 1 && numero <= kNumCampos;
}

// The row of field `numero` (1..kNumCampos).
constexpr const CampoDef &campoDef(int numero)
{
    return kCampos[numero - 1];
}

constexpr bool campoTelefone(int numero)
{
    return campoValido(numero) && campoDef(numero).telefone;
}

// The fields whose value is picked from a list (F9).
constexpr bool campoComLista(int numero)
{
    return campoValido(numero) && campoDef(numero).lista != Lista::Nenhuma;
}

} // namespace cadcons
