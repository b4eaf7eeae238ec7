#include "CadConsDados.h"

#include "Cli_Kvt04410.h"

#include <iterator>

// The controls of each field and where they sit, in field number order beside cadcons::kCampos.
const cadcons::CampoForm &TfrmCadCons::campoForm(int numero)
{
    using F = TfrmCadCons;
    // clang-format off
    static const cadcons::CampoForm campos[] = {
        {&F::bldCep, &F::lblCEP, "lblCEP", &F::blsBorda1, "blsBorda1",
         {47, 8, 133, 26}, {4, 8, 40, 26}},
        {&F::edtNmConsumidor, &F::lblNome, "lblNome", &F::blsBorda2, "blsBorda2",
         {266, 8, 292, 26}, {186, 8, 78, 26}},
        {&F::edtDtNasc, &F::lblDataNasc, "lblDataNasc", &F::blsBorda3, "blsBorda3",
         {673, 8, 95, 26}, {564, 8, 106, 26}},
        {&F::edtCpf, &F::lblCPF, "lblCPF", &F::blsBorda4, "blsBorda4",
         {47, 44, 133, 26}, {4, 44, 40, 26}},
        {&F::bldIdentidade, &F::lblIdentidade, "lblIdentidade", &F::blsBorda5, "blsBorda5",
         {213, 44, 139, 26}, {186, 44, 25, 26}},
        {&F::bldEmail, &F::lblEmail, "lblEmail", &F::blsBorda6, "blsBorda6",
         {404, 44, 206, 25}, {358, 44, 44, 26}},
        {&F::bldTelefone, &F::lblTel, "lblTel", &F::blsBorda7, "blsBorda7",
         {95, 80, 127, 26}, {4, 76, 89, 34}},
        {&F::edtTelefone2, &F::lblTel2, "lblTel2", nullptr, "blsBorda8",
         {298, 80, 127, 26}, {228, 80, 68, 26}},
        {&F::edtCelular, &F::lblCel, "lblCel", &F::blsBorda9, "blsBorda9",
         {483, 80, 127, 26}, {431, 80, 50, 26}},
        {&F::edtTipoVenda, &F::lblTipoVenda, "lblTipoVenda", &F::blsBorda19, "blsBorda19",
         {632, 80, 135, 26}, {632, 50, 90, 26}},
        {&F::edtEndereco, &F::lblEndereco, "lblEndereco", &F::blsBorda10, "blsBorda10",
         {88, 148, 497, 26}, {16, 148, 70, 26}},
        {&F::edtNumero, &F::LabelNumero, "LabelNumero", &F::blsBorda18, "blsBorda18",
         {658, 147, 107, 26}, {592, 147, 64, 26}},
        {&F::bldComplemento, &F::lblCompl, "lblCompl", &F::blsBorda11, "blsBorda11",
         {88, 184, 156, 26}, {16, 184, 70, 26}},
        {&F::edtCodPais, &F::lblPais, "lblPais", &F::blsBorda12, "blsBorda12",
         {370, 184, 60, 26}, {280, 184, 38, 26}},
        {&F::edtEstado, &F::lblEstado, "lblEstado", &F::blsBorda13, "blsBorda13",
         {144, 220, 100, 26}, {16, 220, 74, 26}},
        {&F::edtCodMuni, &F::lblMunicipio, "lblMunicipio", &F::blsBorda14, "blsBorda14",
         {370, 220, 60, 26}, {250, 220, 68, 26}},
        {&F::edtBairro, &F::lblBairro, "lblBairro", &F::blsBorda15, "blsBorda15",
         {144, 256, 156, 26}, {16, 256, 74, 26}},
        {&F::bldReferencia, &F::lblReferencia, "lblReferencia", &F::blsBorda16, "blsBorda16",
         {88, 292, 680, 26}, {16, 292, 70, 26}},
    };
    // clang-format on
    static_assert(std::size(campos) == F::kNumCampos, "one row per field");
    return campos[numero - 1];
}
