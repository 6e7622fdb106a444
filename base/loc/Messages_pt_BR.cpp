// Brazilian Portuguese texts.
#include <loc/Translation.h>

namespace loc {

namespace {

const Message messages[] = {
    {"plat_bad_argument", "Argumento inválido '%S'."},
    {"plat_missing_argument", "Falta o argumento de '%S'."},
    {"plat_run_with_help", "Execute com -help para ver as instruções de uso."},
    {"plat_configuration_global_params", "Parâmetros globais"},
    {"plat_configuration_help_default", "padrão"},
    {"plat_configuration_log_dests_title", "Destinos de log:"},
    {"plat_configuration_log_names_title", "Nomes de log:"},
    {"plat_configuration_option_usage_only", "As opções são parâmetros."},
    {"plat_configuration_option_usage_with_extra",
     "As opções são parâmetros e também os seguintes:"},
    {"plat_configuration_param_usage",
     "Os parâmetros podem ser ativados com -<param> ou desativados com "
     "-<param>=0\n"
     "Os valores podem ser especificados como -<param> <valor>\n"
     "Outras formas válidas são <param>=<valor> -<param>=<valor> "
     "--<param>=<valor>\n"
     "Os nomes não diferenciam maiúsculas de minúsculas.  Os parâmetros "
     "válidos estão listados abaixo."},
    {"plat_param_log",
     "Registrar eventos no formato <log>:<destino>:<nível>[,...]."},
    {"plat_param_log_keep_days", "Manter os arquivos de log por X dias."},
    {"plat_param_logdir",
     "Diretório no qual armazenar a saída de log direcionada para arquivo."},
    {"plat_param_logfile",
     "Arquivo no qual armazenar a saída de log direcionada para arquivo."},
    {"plat_press_return_to_continue", "Pressione a tecla Enter para continuar"},
    {"plat_string_too_long", "Cadeia de caracteres muito longa"},
    {"plat_this_program_not_directly",
     "Este programa não se destina a ser executado diretamente."},
    {"plat_usage_help", "Exibir informações de uso [avançadas]."},
    {"plat_usage_label", "Uso:"},

    {"loc_param_locale",
     "Localidade a ser usada. Especifique en_US, de_DE, es_ES, fr_FR ou "
     "pt_BR, ou deixe em branco para usar a localidade do usuário ou do "
     "sistema, conforme apropriado."},

    {"io_error_endpoint_empty",
     "Ponto de extremidade inválido: host e/ou porta vazios"},
    {"io_error_endpoint_bracket",
     "Ponto de extremidade inválido: \"[\" sem correspondência no host"},
    {"io_error_endpoint_badport",
     "Ponto de extremidade inválido: porta especificada incorretamente"},
    {"io_error_endpoint_general", "Ponto de extremidade inválido"},
    {"io_error_endpoint_badescape",
     "Ponto de extremidade inválido: escape %% incorreto"},
    {"io_error_eai_again", "Falha temporária na resolução de nomes"},
    {"io_error_eai_nodata", "O nome solicitado não tem endereço IP"},
    {"io_error_eai_noname", "Nenhum host com esse nome é conhecido"},
    {"io_error_ip_nethostunreach", "Nenhuma rota para o host é conhecida"},
    {"io_error_tcp_conndropped",
     "A conexão foi recusada durante o estabelecimento"},
    {"io_error_tcp_connrefused", "A conexão foi recusada pelo computador"},
    {"io_error_tcp_connreset", "A conexão foi encerrada remotamente"},
    {"io_error_tcp_timedout",
     "Tempo esgotado aguardando uma resposta do computador"},
    {"io_error_proxy_disconnected", "desconectado pelo proxy"},
    {"io_error_proxy_general", "Não é possível conectar via %1$S: %2$S"},
    {"io_dscp_param",
     "Valor para classificar o tráfego de rede e oferecer qualidade de "
     "serviço."},
    {"io_param_blacklist_threshold",
     "Número de tentativas de autenticação malsucedidas permitidas antes que "
     "um dispositivo que se conecta seja colocado na lista negra por um "
     "período de espera."},
    {"io_param_blacklist_timeout",
     "Número inicial de segundos durante os quais as conexões de um "
     "dispositivo na lista negra são rejeitadas antes que o usuário possa "
     "tentar se autenticar novamente."},
    {"io_proxy_connection_desc", "TCP direto pelas configurações de proxy"},
    {"io_socks5_connection_type", "TCP direto pelo proxy SOCKS5 %S"},
    {"io_tcp_connection_type", "TCP direto"},
    {"io_udp_connection_type", "UDP direto"},

    // jex-agent
    {"agent_param_name", "Nome deste agente: ele escuta em print.<Name> no "
                         "diretório privado do usuário."},
    {"agent_param_output_dir",
     "Pasta que recebe os trabalhos impressos, uma pasta por trabalho. Vazio: "
     "Printouts na pasta de documentos."},
    {"agent_param_on_job",
     "Comando executado após cada trabalho entregue, com a pasta do trabalho "
     "como último argumento (sem shell)."},
    {"agent_param_client_timeout",
     "Segundos que um cliente conectado tem para entregar seu trabalho."},
    {"agent_dir_unsafe",
     "%1$S não pode ser usado: %2$S (dono: uid %3$S). O dono ou root deve "
     "removê-lo; depois inicie o agente novamente."},
    {"agent_dir_is_link", "é um link simbólico"},
    {"agent_dir_not_dir", "não é um diretório"},
    {"agent_dir_foreign", "pertence a outro usuário"},
    {"agent_dir_open", "outros usuários têm acesso a ele (modo %S)"},
    {"agent_already_running", "Um agente chamado %S já está em execução para "
                              "este usuário; este termina."},
    {"agent_listening",
     "Escutando em %1$S; os trabalhos impressos vão para %2$S."},
    {"agent_stopping", "Encerrando: terminando os trabalhos já recebidos."},
    {"agent_job_delivered", "Trabalho \"%1$S\" entregue em %2$S."},
    {"agent_job_failed", "O trabalho \"%1$S\" não pôde ser entregue (%2$S); "
                         "ele está guardado em %3$S."},
    {"agent_job_not_kept", "O trabalho \"%1$S\" não pôde ser entregue nem "
                           "guardado (%2$S); seus arquivos ficam em %3$S."},
    {"agent_not_root", "O agente não é executado como root: inicie-o como o "
                       "usuário que imprime."},
    {"agent_bad_name", "Nome de agente inválido '%S'."},

    // jex-log
    {"agent_log_param_name",
     "Nome do agente cujo registro é mostrado (sua configuração Name)."},
    {"agent_log_param_level", "As mensagens até este nível são mostradas: 0 "
                              "erros, 30 eventos, 100 detalhes, 110 tudo."},
    {"agent_log_no_agent",
     "Nenhum agente chamado %1$S está em execução para este usuário (%2$S)."},
    {"agent_log_refused", "Outro jex-log já mostra o registro do agente %S."},
    {"agent_log_closed", "O agente %S fechou a conexão."},
};

} // namespace

const Translation translation_pt_BR = {"pt_BR", messages,
                                       sizeof(messages) / sizeof(messages[0])};

} // namespace loc
