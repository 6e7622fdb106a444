// Spanish texts.
#include <loc/Translation.h>

namespace loc {

namespace {

const Message messages[] = {
    {"plat_bad_argument", "Argumento no válido '%S'."},
    {"plat_missing_argument", "Falta el argumento de '%S'."},
    {"plat_run_with_help", "Ejecute con -help para ver el modo de uso."},
    {"plat_configuration_global_params", "Parámetros globales"},
    {"plat_configuration_help_default", "predeterminado"},
    {"plat_configuration_log_dests_title", "Destinos del registro:"},
    {"plat_configuration_log_names_title", "Nombres de registro:"},
    {"plat_configuration_option_usage_only", "Las opciones son parámetros."},
    {"plat_configuration_option_usage_with_extra",
     "Las opciones son parámetros y, además, las siguientes:"},
    {"plat_configuration_param_usage",
     "Los parámetros se activan con -<param> y se desactivan con -<param>=0\n"
     "Los valores se indican como -<param> <valor>\n"
     "Otras formas válidas son <param>=<valor> -<param>=<valor> "
     "--<param>=<valor>\n"
     "Los nombres no distinguen mayúsculas de minúsculas.  Los parámetros "
     "válidos se enumeran a continuación."},
    {"plat_param_log",
     "Registrar eventos con el formato <log>:<destino>:<nivel>[,...]."},
    {"plat_param_log_keep_days",
     "Conservar los archivos de registro durante X días."},
    {"plat_param_logdir",
     "Directorio en el que se guarda la salida del registro dirigida a un "
     "archivo."},
    {"plat_param_logfile",
     "Archivo en el que se guarda la salida del registro dirigida a un "
     "archivo."},
    {"plat_press_return_to_continue", "Pulse la tecla Intro para continuar"},
    {"plat_string_too_long", "Cadena demasiado larga"},
    {"plat_this_program_not_directly",
     "Este programa no está pensado para ejecutarse directamente."},
    {"plat_usage_help", "Mostrar información de uso [avanzada]."},
    {"plat_usage_label", "Uso:"},

    {"loc_param_locale",
     "Configuración regional que se usará. Indique en_US, de_DE, es_ES, "
     "fr_FR o pt_BR, o déjelo vacío para usar la configuración regional del "
     "usuario o del sistema, según corresponda."},

    {"io_error_endpoint_empty", "Punto final no válido: host o puerto vacíos"},
    {"io_error_endpoint_bracket",
     "Punto final no válido: \"[\" sin cerrar en el host"},
    {"io_error_endpoint_badport",
     "Punto final no válido: el puerto no está bien indicado"},
    {"io_error_endpoint_general", "Punto final no válido"},
    {"io_error_endpoint_badescape",
     "Punto final no válido: secuencia de escape %% incorrecta"},
    {"io_error_eai_again", "Error temporal en la resolución de nombres"},
    {"io_error_eai_nodata",
     "El nombre solicitado no tiene ninguna dirección IP"},
    {"io_error_eai_noname", "No se conoce ningún host con ese nombre"},
    {"io_error_ip_nethostunreach", "No se conoce ninguna ruta al host"},
    {"io_error_tcp_conndropped",
     "La conexión se rechazó mientras se establecía"},
    {"io_error_tcp_connrefused", "El equipo rechazó la conexión"},
    {"io_error_tcp_connreset", "El otro extremo cerró la conexión"},
    {"io_error_tcp_timedout",
     "Se agotó el tiempo de espera de una respuesta del equipo"},
    {"io_error_proxy_disconnected", "desconectado por el proxy"},
    {"io_error_proxy_general", "No se puede conectar a través de %1$S: %2$S"},
    {"io_dscp_param",
     "Valor para clasificar el tráfico de red y ofrecer calidad de servicio."},
    {"io_param_blacklist_threshold",
     "Número de intentos de autenticación fallidos que se permiten antes de "
     "que un dispositivo que se conecta pase a la lista negra durante un "
     "tiempo de espera."},
    {"io_param_blacklist_timeout",
     "Número inicial de segundos durante los que se rechazan las conexiones "
     "de un dispositivo de la lista negra antes de que el usuario pueda "
     "volver a intentar autenticarse."},
    {"io_proxy_connection_desc",
     "TCP directo según la configuración del proxy"},
    {"io_socks5_connection_type", "TCP directo a través del proxy SOCKS5 %S"},
    {"io_tcp_connection_type", "TCP directo"},
    {"io_udp_connection_type", "UDP directo"},

    // jex-agent
    {"agent_param_name", "Nombre de este agente: escucha en print.<Name> en el "
                         "directorio privado del usuario."},
    {"agent_param_output_dir",
     "Carpeta que recibe los trabajos impresos, una carpeta por trabajo. "
     "Vacío: Printouts en la carpeta de documentos."},
    {"agent_param_on_job",
     "Orden ejecutada tras cada trabajo entregado, con la carpeta del trabajo "
     "como último argumento (sin shell)."},
    {"agent_param_client_timeout",
     "Segundos que tiene un cliente conectado para entregar su trabajo."},
    {"agent_dir_unsafe",
     "No se puede usar %1$S: %2$S (propietario: uid %3$S). Su propietario o "
     "root debe eliminarlo; después inicie de nuevo el agente."},
    {"agent_dir_is_link", "es un enlace simbólico"},
    {"agent_dir_not_dir", "no es un directorio"},
    {"agent_dir_foreign", "pertenece a otro usuario"},
    {"agent_dir_open", "otros usuarios tienen acceso (modo %S)"},
    {"agent_already_running", "Ya se está ejecutando un agente llamado %S para "
                              "este usuario; este termina."},
    {"agent_listening",
     "Escuchando en %1$S; los trabajos impresos van a %2$S."},
    {"agent_stopping", "Deteniendo: se terminan los trabajos ya recibidos."},
    {"agent_job_delivered", "Trabajo \"%1$S\" entregado en %2$S."},
    {"agent_job_failed",
     "No se pudo entregar el trabajo \"%1$S\" (%2$S); se guarda en %3$S."},
    {"agent_job_not_kept", "No se pudo entregar ni guardar el trabajo \"%1$S\" "
                           "(%2$S); sus archivos quedan en %3$S."},
    {"agent_not_root", "El agente no se ejecuta como root: inícielo como el "
                       "usuario que imprime."},
    {"agent_bad_name", "Nombre de agente no válido '%S'."},

    // jex-log
    {"agent_log_param_name",
     "Nombre del agente cuyo registro se muestra (su ajuste Name)."},
    {"agent_log_param_level", "Se muestran los mensajes hasta este nivel: 0 "
                              "errores, 30 sucesos, 100 detalles, 110 todo."},
    {"agent_log_no_agent", "No hay ningún agente llamado %1$S en ejecución "
                           "para este usuario (%2$S)."},
    {"agent_log_refused", "Otro jex-log ya muestra el registro del agente %S."},
    {"agent_log_closed", "El agente %S ha cerrado la conexión."},
};

} // namespace

const Translation translation_es_ES = {"es_ES", messages,
                                       sizeof(messages) / sizeof(messages[0])};

} // namespace loc
