#pragma once

namespace cadcons {

// The numbered input fields of the registration screen (each control's tag, the values of
// inLblAtiv), then the name displays beside the country, municipality and neighbourhood codes.
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

constexpr bool campoTelefone(int numero)
{
    return numero >= Telefone && numero <= Celular;
}

// The fields whose value is picked from a list (F9).
constexpr bool campoComLista(int numero)
{
    return numero == TipoVenda || (numero >= CodPais && numero <= Bairro);
}

} // namespace cadcons
