#include "CadConsDados.h"

#include "Cli_Kvt04410.h"

#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"
#include "toolkit/TouchButton.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QLabel>

const std::array<TipoVenda, 7> arTipoVenda = {{
    {"1", "Débito Consumidor"},
    {"2", "Crédito Pessoal"},
    {"3", "A Vista"},
    {"4", "Débito Consumidor / Crédito Pessoal"},
    {"5", "Débito Consumidor / A Vista"},
    {"6", "Crédito Pessoal / A Vista"},
    {"7", "Todos"},
}};

namespace cadcons {

QStringList linhasMensagens()
{
    return {
        QStringLiteral("CDCUSCLIE_NULL| Operação bloqueada. Não há centro de custo cadastrado."),
        QStringLiteral("ESTADO_NCAD|Não há estado cadastrado para o país informado."),
        QStringLiteral("MUNICIPIO_NCAD|Não há município cadastrado para o estado informado."),
        QStringLiteral("PAIS_NCAD|País não cadastrado."),
        QStringLiteral("BAIRRO_NCAD|Não há bairro cadastrado para o município informado."),
        QStringLiteral("NONINF|Nome do consumidor deve ser informado."),
        QStringLiteral("DTINF|Data de nascimento deve ser informada."),
        QStringLiteral("DATA_INV|Data de nascimento inválida."),
        QStringLiteral("IDENTIDADEINF|Número de identidade deve ser informado."),
        QStringLiteral("EMAILINF|Email deve ser informado."),
        QStringLiteral("TELEFONEINF|Número de telefone deve ser informado."),
        QStringLiteral("ENDINF|Endereço deve ser informado."),
        QStringLiteral("CEPINF|CEP deve ser informado."),
        QStringLiteral("PAISINF|País deve ser informado."),
        QStringLiteral("ESTADOINF|Estado deve ser informado."),
        QStringLiteral("NUMEROINF|Número deve ser informado."),
        QStringLiteral("MUNIINF|Município deve ser informado."),
        QStringLiteral("BAIRROINF|Bairro deve ser informado."),
        QStringLiteral("REFEINF|Ponto de refêrencia deve ser informado."),
        QStringLiteral("PAIS_NCA|País não cadastrado."),
        QStringLiteral("DATA_NCAD|Data de nascimento deve ser informada."),
        QStringLiteral("CPF_NCAD|Número de Cpf inválido."),
        QStringLiteral("ESTADO_NCAD2|Estado não cadastrado."),
        QStringLiteral("MUNI_NCAD2|Município não cadastrado."),
        QStringLiteral("BAIRRO_NCAD2|Bairro não cadastrado."),
        QStringLiteral("SAIR|Deseja cancelar a operação?"),
        QStringLiteral("OPERACAO_OK|Operação realizada com sucesso."),
        QStringLiteral("TELEFONE_CAD|Número de telefone já cadastrado para o consumidor \" %s \"."),
        QStringLiteral("CONS_CAD|Operação bloqueada. Número de identidade já cadastrado para outro "
                       "consumidor."),
        QStringLiteral("CPF_INV|Cpf inválido."),
        QStringLiteral("CPF_CAD|Número de Cpf já cadastrado para o consumidor %s."),
        QStringLiteral("RG_CAD|Número de identidade já cadastrado para o consumidor \" %s \"."),
        QStringLiteral("FISCAL|F1 Menu Fiscal"),
        QStringLiteral("IDCAD|Número de identidade já cadastrado."),
        QStringLiteral("RGINF|Número de identidade deve ser informado."),
        QStringLiteral("DATA_MENOR|Não é Possivel cadastrar um consumidor com a Data de Nascimento "
                       "menor que 01/01/1900"),
        QStringLiteral("CEPINV|Filial não atende o CEP informado."),
        QStringLiteral("CEPNINF|Número do CEP deve ser informado."),
        QStringLiteral("CONSTELJACAD|Já existe um consumidor cadastrado com o número de telefone "
                       "informado."),
    };
}

const std::array<CampoForm, TfrmCadCons::kNumCampos> &camposForm()
{
    using F = TfrmCadCons;
    // clang-format off
    static const std::array<CampoForm, F::kNumCampos> campos = {{
        {Cep, &F::bldCep, "bldCep", &F::lblCEP, "lblCEP", "CEP", &F::blsBorda1, "blsBorda1",
         {47, 8, 133, 26}, {4, 8, 40, 26}, "NRCEPCONS"},
        {NmConsumidor, &F::edtNmConsumidor, "edtNmConsumidor", &F::lblNome, "lblNome", "Consumidor*",
         &F::blsBorda2, "blsBorda2", {266, 8, 292, 26}, {186, 8, 78, 26}, "NMCONSUMIDOR"},
        {DtNasc, &F::edtDtNasc, "edtDtNasc", &F::lblDataNasc, "lblDataNasc", "Data Nascimento",
         &F::blsBorda3, "blsBorda3", {673, 8, 95, 26}, {564, 8, 106, 26}, "DTNASCCONS"},
        {Cpf, &F::edtCpf, "edtCpf", &F::lblCPF, "lblCPF", "CPF", &F::blsBorda4, "blsBorda4",
         {47, 44, 133, 26}, {4, 44, 40, 26}, "NRCPFRESPCON"},
        {Identidade, &F::bldIdentidade, "bldIdentidade", &F::lblIdentidade, "lblIdentidade", "RG",
         &F::blsBorda5, "blsBorda5", {213, 44, 139, 26}, {186, 44, 25, 26}, "NRRGCONSUMID"},
        {Email, &F::bldEmail, "bldEmail", &F::lblEmail, "lblEmail", "E-mail", &F::blsBorda6,
         "blsBorda6", {404, 44, 206, 25}, {358, 44, 44, 26}, "DSEMAILCONS"},
        {Telefone, &F::bldTelefone, "bldTelefone", &F::lblTel, "lblTel", "Residencial /\nNº Quarto*",
         &F::blsBorda7, "blsBorda7", {95, 80, 127, 26}, {4, 76, 89, 34}, "NRTELECONS"},
        {Telefone2, &F::edtTelefone2, "edtTelefone2", &F::lblTel2, "lblTel2", "Comercial", nullptr,
         "blsBorda8", {298, 80, 127, 26}, {228, 80, 68, 26}, "NRTELE2CONS"},
        {Celular, &F::edtCelular, "edtCelular", &F::lblCel, "lblCel", "Celular", &F::blsBorda9,
         "blsBorda9", {483, 80, 127, 26}, {431, 80, 50, 26}, "NRCELULARCONS"},
        {TipoVenda, &F::edtTipoVenda, "edtTipoVenda", &F::lblTipoVenda, "lblTipoVenda",
         "Tipo de Venda", &F::blsBorda19, "blsBorda19", {632, 80, 135, 26}, {632, 50, 90, 26}, "IDTPVENDACONS"},
        {Endereco, &F::edtEndereco, "edtEndereco", &F::lblEndereco, "lblEndereco", "Endereço*",
         &F::blsBorda10, "blsBorda10", {88, 148, 497, 26}, {16, 148, 70, 26}, "DSENDECONS"},
        {Numero, &F::edtNumero, "edtNumero", &F::LabelNumero, "LabelNumero", "Número*",
         &F::blsBorda18, "blsBorda18", {658, 147, 107, 26}, {592, 147, 64, 26}, "NRENDECONS"},
        {Complemento, &F::bldComplemento, "bldComplemento", &F::lblCompl, "lblCompl", "Compl",
         &F::blsBorda11, "blsBorda11", {88, 184, 156, 26}, {16, 184, 70, 26}, "DSCOMPLENDECONS"},
        {CodPais, &F::edtCodPais, "edtCodPais", &F::lblPais, "lblPais", "País", &F::blsBorda12,
         "blsBorda12", {370, 184, 60, 26}, {280, 184, 38, 26}, "CDPAIS"},
        {Estado, &F::edtEstado, "edtEstado", &F::lblEstado, "lblEstado", "Estado", &F::blsBorda13,
         "blsBorda13", {144, 220, 100, 26}, {16, 220, 74, 26}, "SGESTADO"},
        {CodMuni, &F::edtCodMuni, "edtCodMuni", &F::lblMunicipio, "lblMunicipio", "Município",
         &F::blsBorda14, "blsBorda14", {370, 220, 60, 26}, {250, 220, 68, 26}, "CDMUNICIPIO"},
        {Bairro, &F::edtBairro, "edtBairro", &F::lblBairro, "lblBairro", "Bairro", &F::blsBorda15,
         "blsBorda15", {144, 256, 156, 26}, {16, 256, 74, 26}, "CDBAIRRO"},
        {Referencia, &F::bldReferencia, "bldReferencia", &F::lblReferencia, "lblReferencia",
         "Referência", &F::blsBorda16, "blsBorda16", {88, 292, 680, 26}, {16, 292, 70, 26}, "DSREFERENDECONS"},
    }};
    // clang-format on
    return campos;
}

} // namespace cadcons
