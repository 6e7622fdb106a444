// English texts: the reference table. Every id the system uses is here.
#include <loc/Translation.h>

namespace loc {

namespace {

const Message messages[] = {
    // plat: command line and help
    {"plat_bad_argument", "Bad argument '%S'."},
    {"plat_missing_argument", "Missing argument to '%S'."},
    {"plat_run_with_help", "Run with -help for usage."},
    {"plat_configuration_global_params", "Global parameters"},
    {"plat_configuration_help_default", "default"},
    {"plat_configuration_log_dests_title", "Log destinations:"},
    {"plat_configuration_log_names_title", "Log names:"},
    {"plat_configuration_option_usage_only", "Options are parameters."},
    {"plat_configuration_option_usage_with_extra",
     "Options are parameters, and also the following:"},
    {"plat_configuration_param_usage",
     "Parameters can be turned on with -<param> or off with -<param>=0\n"
     "Values can be specified as -<param> <value>\n"
     "Other valid forms are <param>=<value> -<param>=<value> "
     "--<param>=<value>\n"
     "Names are case-insensitive.  Valid parameters are listed below."},
    {"plat_param_log",
     "Record events in the format <log>:<target>:<level>[,...]."},
    {"plat_param_log_keep_days", "Keep log files for X days."},
    {"plat_param_logdir",
     "Directory in which to store log output directed to file."},
    {"plat_param_logfile",
     "File in which to store log output directed to file."},
    {"plat_press_return_to_continue", "Press Enter/Return key to continue"},
    {"plat_string_too_long", "String too long"},
    {"plat_this_program_not_directly",
     "This program is not intended to be run directly."},
    {"plat_usage_help", "Provide [advanced] usage information."},
    {"plat_usage_label", "Usage:"},

    // loc
    {"loc_param_locale",
     "Locale to use. Specify one of en_US, de_DE, es_ES, fr_FR, or pt_BR, or "
     "leave empty to select the user or system locale as appropriate."},

    // io: endpoints, name lookup, connections
    {"io_error_endpoint_empty", "Invalid endpoint: empty host and/or port"},
    {"io_error_endpoint_bracket", "Invalid endpoint: unmatched \"[\" in host"},
    {"io_error_endpoint_badport",
     "Invalid endpoint: port not correctly specified"},
    {"io_error_endpoint_general", "Invalid endpoint"},
    {"io_error_endpoint_badescape", "Invalid endpoint: incorrect %% escape"},
    {"io_error_eai_again", "Temporary name lookup failure"},
    {"io_error_eai_nodata", "The requested name does not have an IP address"},
    {"io_error_eai_noname", "No such host is known"},
    {"io_error_ip_nethostunreach", "No route to the host is known"},
    {"io_error_tcp_conndropped",
     "The connection was refused during establishment"},
    {"io_error_tcp_connrefused", "The connection was refused by the computer"},
    {"io_error_tcp_connreset", "The connection was closed remotely"},
    {"io_error_tcp_timedout",
     "Timed out waiting for a response from the computer"},
    {"io_error_proxy_disconnected", "disconnected by proxy"},
    {"io_error_proxy_general", "Unable to connect via %1$S: %2$S"},
    {"io_dscp_param",
     "Value to classify network traffic to provide Quality of Service."},
    {"io_param_blacklist_threshold",
     "The number of unsuccessful authentication attempts that can be made "
     "before a particular connecting device is blacklisted for a timeout "
     "period."},
    {"io_param_blacklist_timeout",
     "The initial number of seconds during which connections from a "
     "blacklisted device are rejected before the connecting user can attempt "
     "to authenticate again."},
    {"io_proxy_connection_desc", "Direct TCP via proxy settings"},
    {"io_socks5_connection_type", "Direct TCP via SOCKS5 proxy %S"},
    {"io_tcp_connection_type", "Direct TCP"},
    {"io_udp_connection_type", "Direct UDP"},

    // jex-agent
    {"agent_param_name", "Name of this agent: it listens on print.<Name> in "
                         "the user's private directory."},
    {"agent_param_output_dir",
     "Folder that receives printed jobs, one folder per job. Empty: Printouts "
     "in the documents folder."},
    {"agent_param_on_job", "Command run after each delivered job, with the "
                           "job's folder as its last argument (no shell)."},
    {"agent_param_client_timeout",
     "Seconds a connecting client has to hand over its job."},
    {"agent_dir_unsafe",
     "%1$S cannot be used: %2$S (owner: uid %3$S). Its owner or root must "
     "remove it; then start the agent again."},
    {"agent_dir_is_link", "it is a symbolic link"},
    {"agent_dir_not_dir", "it is not a directory"},
    {"agent_dir_foreign", "it belongs to another user"},
    {"agent_dir_open", "other users have access to it (mode %S)"},
    {"agent_already_running",
     "An agent named %S is already running for this user; this one exits."},
    {"agent_listening", "Listening on %1$S; printed jobs go to %2$S."},
    {"agent_stopping", "Stopping: finishing the jobs already received."},
    {"agent_job_delivered", "Job \"%1$S\" delivered to %2$S."},
    {"agent_job_failed",
     "Job \"%1$S\" could not be delivered (%2$S); it is kept in %3$S."},
    {"agent_job_not_kept", "Job \"%1$S\" could not be delivered (%2$S) nor "
                           "kept; its files stay in %3$S."},
    {"agent_not_root",
     "The agent does not run as root: start it as the user who prints."},
    {"agent_bad_name", "Bad agent name '%S'."},

    // jex-log
    {"agent_log_param_name",
     "Name of the agent whose log is shown (its Name setting)."},
    {"agent_log_param_level", "Messages up to this level are shown: 0 errors, "
                              "30 events, 100 details, 110 everything."},
    {"agent_log_no_agent",
     "No agent named %1$S is running for this user (%2$S)."},
    {"agent_log_refused", "Another jex-log already shows the log of agent %S."},
    {"agent_log_closed", "Agent %S has closed the connection."},
};

} // namespace

const Translation translation_en_US = {"en_US", messages,
                                       sizeof(messages) / sizeof(messages[0])};

} // namespace loc
