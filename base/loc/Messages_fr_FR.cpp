// French texts.
#include <loc/Translation.h>

namespace loc {

namespace {

const Message messages[] = {
    {"plat_bad_argument", "Argument non valide '%S'."},
    {"plat_missing_argument", "Argument manquant pour '%S'."},
    {"plat_run_with_help", "Lancez avec -help pour afficher l'aide."},
    {"plat_configuration_global_params", "Paramètres globaux"},
    {"plat_configuration_help_default", "par défaut"},
    {"plat_configuration_log_dests_title", "Destinations du journal :"},
    {"plat_configuration_log_names_title", "Noms des journaux :"},
    {"plat_configuration_option_usage_only",
     "Les options sont des paramètres."},
    {"plat_configuration_option_usage_with_extra",
     "Les options sont des paramètres, ainsi que les suivantes :"},
    {"plat_configuration_param_usage",
     "Un paramètre s'active avec -<param> et se désactive avec -<param>=0\n"
     "Une valeur s'indique sous la forme -<param> <valeur>\n"
     "Autres formes valides : <param>=<valeur> -<param>=<valeur> "
     "--<param>=<valeur>\n"
     "Les noms ne tiennent pas compte de la casse.  Les paramètres valides "
     "sont listés ci-dessous."},
    {"plat_param_log",
     "Enregistrer les événements au format <log>:<cible>:<niveau>[,...]."},
    {"plat_param_log_keep_days",
     "Conserver les fichiers journaux pendant X jours."},
    {"plat_param_logdir",
     "Répertoire où enregistrer la sortie du journal dirigée vers un "
     "fichier."},
    {"plat_param_logfile",
     "Fichier où enregistrer la sortie du journal dirigée vers un fichier."},
    {"plat_press_return_to_continue",
     "Appuyez sur la touche Entrée pour continuer"},
    {"plat_string_too_long", "Chaîne trop longue"},
    {"plat_this_program_not_directly",
     "Ce programme n'est pas destiné à être lancé directement."},
    {"plat_usage_help", "Afficher l'aide à l'utilisation [avancée]."},
    {"plat_usage_label", "Utilisation :"},

    {"loc_param_locale",
     "Paramètres régionaux à utiliser. Indiquez en_US, de_DE, es_ES, fr_FR ou "
     "pt_BR, ou laissez vide pour utiliser ceux de l'utilisateur ou du "
     "système, selon le cas."},

    {"io_error_endpoint_empty",
     "Point de terminaison non valide : hôte et/ou port vide"},
    {"io_error_endpoint_bracket",
     "Point de terminaison non valide : \"[\" non fermé dans l'hôte"},
    {"io_error_endpoint_badport",
     "Point de terminaison non valide : port mal indiqué"},
    {"io_error_endpoint_general", "Point de terminaison non valide"},
    {"io_error_endpoint_badescape",
     "Point de terminaison non valide : échappement %% incorrect"},
    {"io_error_eai_again", "Échec temporaire de la résolution de nom"},
    {"io_error_eai_nodata", "Le nom demandé n'a pas d'adresse IP"},
    {"io_error_eai_noname", "Cet hôte est inconnu"},
    {"io_error_ip_nethostunreach", "Aucune route vers l'hôte n'est connue"},
    {"io_error_tcp_conndropped",
     "La connexion a été refusée pendant son établissement"},
    {"io_error_tcp_connrefused", "La connexion a été refusée par l'ordinateur"},
    {"io_error_tcp_connreset", "La connexion a été fermée à distance"},
    {"io_error_tcp_timedout",
     "Délai dépassé en attendant une réponse de l'ordinateur"},
    {"io_error_proxy_disconnected", "déconnecté par le proxy"},
    {"io_error_proxy_general", "Impossible de se connecter via %1$S : %2$S"},
    {"io_dscp_param",
     "Valeur de classification du trafic réseau pour assurer la qualité de "
     "service."},
    {"io_param_blacklist_threshold",
     "Nombre de tentatives d'authentification infructueuses autorisées avant "
     "qu'un appareil qui se connecte soit mis sur liste noire pendant un "
     "délai d'attente."},
    {"io_param_blacklist_timeout",
     "Nombre initial de secondes pendant lesquelles les connexions d'un "
     "appareil sur liste noire sont rejetées avant que l'utilisateur puisse "
     "tenter de s'authentifier à nouveau."},
    {"io_proxy_connection_desc", "TCP direct selon les paramètres du proxy"},
    {"io_socks5_connection_type", "TCP direct via le proxy SOCKS5 %S"},
    {"io_tcp_connection_type", "TCP direct"},
    {"io_udp_connection_type", "UDP direct"},

    // jex-agent
    {"agent_param_name", "Nom de cet agent : il écoute sur print.<Name> dans "
                         "le répertoire privé de l'utilisateur."},
    {"agent_param_output_dir",
     "Dossier qui reçoit les travaux imprimés, un dossier par travail. Vide : "
     "Printouts dans le dossier des documents."},
    {"agent_param_on_job",
     "Commande lancée après chaque travail livré, avec le dossier du travail "
     "comme dernier argument (sans shell)."},
    {"agent_param_client_timeout",
     "Secondes dont dispose un client connecté pour remettre son travail."},
    {"agent_dir_unsafe",
     "%1$S ne peut pas être utilisé : %2$S (propriétaire : uid %3$S). Son "
     "propriétaire ou root doit le supprimer ; relancez ensuite l'agent."},
    {"agent_dir_is_link", "c'est un lien symbolique"},
    {"agent_dir_not_dir", "ce n'est pas un répertoire"},
    {"agent_dir_foreign", "il appartient à un autre utilisateur"},
    {"agent_dir_open", "d'autres utilisateurs y ont accès (mode %S)"},
    {"agent_already_running",
     "Un agent nommé %S tourne déjà pour cet utilisateur ; celui-ci s'arrête."},
    {"agent_listening",
     "À l'écoute sur %1$S ; les travaux imprimés vont dans %2$S."},
    {"agent_stopping", "Arrêt : les travaux déjà reçus sont terminés."},
    {"agent_job_delivered", "Travail \"%1$S\" livré dans %2$S."},
    {"agent_job_failed", "Le travail \"%1$S\" n'a pas pu être livré (%2$S) ; "
                         "il est conservé dans %3$S."},
    {"agent_job_not_kept", "Le travail \"%1$S\" n'a pu être ni livré ni "
                           "conservé (%2$S) ; ses fichiers restent dans %3$S."},
    {"agent_not_root", "L'agent ne tourne pas en root : lancez-le en tant que "
                       "l'utilisateur qui imprime."},
    {"agent_bad_name", "Nom d'agent non valide '%S'."},

    // jex-log
    {"agent_log_param_name",
     "Nom de l'agent dont le journal est affiché (son réglage Name)."},
    {"agent_log_param_level",
     "Les messages jusqu'à ce niveau sont affichés : 0 erreurs, 30 événements, "
     "100 détails, 110 tout."},
    {"agent_log_no_agent",
     "Aucun agent nommé %1$S ne fonctionne pour cet utilisateur (%2$S)."},
    {"agent_log_refused",
     "Un autre jex-log affiche déjà le journal de l'agent %S."},
    {"agent_log_closed", "L'agent %S a fermé la connexion."},
};

} // namespace

const Translation translation_fr_FR = {"fr_FR", messages,
                                       sizeof(messages) / sizeof(messages[0])};

} // namespace loc
